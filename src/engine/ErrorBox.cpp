#include "engine/ErrorBox.h"

#include <cstdio>
#include <mutex>

#include "engine/MainThread.h"

namespace {

std::mutex handlerLock;

void WriteToStandardError(const QString& text) {
  std::fprintf(stderr, "Error: %s\n", text.toUtf8().constData());
}

TErrorBoxHandler& Handler() {
  static TErrorBoxHandler handler = WriteToStandardError;
  return handler;
}

}  // namespace

TErrorBoxHandler SetErrorBoxHandler(TErrorBoxHandler handler) {
  std::lock_guard guard(handlerLock);
  TErrorBoxHandler previous = std::move(Handler());
  Handler() = handler ? std::move(handler) : TErrorBoxHandler(WriteToStandardError);
  return previous;
}

void ShowErrorBox(const QString& text) {
  try {
    engine::RunInMainThread([&] { ShowErrorBoxHere(text); });
  } catch (...) {
    // A message box that fails has nobody left to tell.
  }
}

void ShowErrorBoxHere(const QString& text) {
  TErrorBoxHandler handler;
  {
    std::lock_guard guard(handlerLock);
    handler = Handler();
  }
  try {
    handler(text);
  } catch (...) {
  }
}
