#pragma once
// The engine's one message routine. The program installs a handler that shows
// a modal box captioned "Error"; the command-line tool prints; tests collect.

#include <QString>
#include <functional>

using TErrorBoxHandler = std::function<void(const QString& text)>;

// Installs the handler and returns the previous one. An empty handler restores
// the default, which writes "Error: <text>" to standard error.
TErrorBoxHandler SetErrorBoxHandler(TErrorBoxHandler handler);

// Shows text through the handler on the main thread; a worker waits until the
// handler returns. Never throws.
void ShowErrorBox(const QString& text);

// Calls the handler on the calling thread (a converter hands this to the main
// thread through its own gate). Never throws.
void ShowErrorBoxHere(const QString& text);
