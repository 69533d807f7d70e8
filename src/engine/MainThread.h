#pragma once
// Hands work to the application's main thread and waits until it has run.

#include <functional>

namespace engine {

// True on the thread that owns the application object, or when there is none.
bool IsMainThread();

// Runs fn on the main thread and returns when it has finished. Runs it directly
// when called on the main thread or when no application object exists.
// Exceptions thrown by fn are rethrown on the calling thread.
void RunInMainThread(const std::function<void()>& fn);

}  // namespace engine
