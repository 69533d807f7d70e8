#include "engine/ConvertThreads.h"

#include <atomic>
#include <cstdio>
#include <thread>
#include <unordered_map>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include "engine/AVConverter.h"

namespace engine {

namespace {

// Longest library log message handed on, in bytes.
constexpr int MaxLogMessage = 1024;

// The least severe level any converter wants; anything above is dropped
// before the registry is even looked at.
std::atomic<int> widestLogLevel{TAVConverter::DefaultLogLevel};

struct Registry {
  std::mutex lock;
  std::unordered_map<std::thread::id, TAVConvertThread*> threads;
};

Registry& ConvertThreads() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterConvertThread(TAVConvertThread* thread) {
  Registry& r = ConvertThreads();
  std::lock_guard guard(r.lock);
  r.threads[std::this_thread::get_id()] = thread;
}

void UnregisterConvertThread() {
  Registry& r = ConvertThreads();
  std::lock_guard guard(r.lock);
  r.threads.erase(std::this_thread::get_id());
}

TAVConvertThread* CurrentConvertThread() {
  Registry& r = ConvertThreads();
  std::lock_guard guard(r.lock);
  auto it = r.threads.find(std::this_thread::get_id());
  return it == r.threads.end() ? nullptr : it->second;
}

TAVConvertThread* ConversionOfCodec(const void* context) {
  if (!context) return nullptr;
  // Whatever the library logs for starts with its class.
  if (*static_cast<const AVClass* const*>(context) != avcodec_get_class()) return nullptr;
  const void* owner = static_cast<const AVCodecContext*>(context)->opaque;
  if (!owner) return nullptr;
  Registry& r = ConvertThreads();
  std::lock_guard guard(r.lock);
  for (const auto& [id, thread] : r.threads)
    if (thread == owner) return thread;
  return nullptr;
}

int ConvertThreadCount() {
  Registry& r = ConvertThreads();
  std::lock_guard guard(r.lock);
  return static_cast<int>(r.threads.size());
}

void WidenLibraryLogLevel(int level) {
  for (int current = widestLogLevel; level > current && !widestLogLevel.compare_exchange_weak(current, level);) {
  }
}

void LibraryLogCallback(void* context, int level, const char* format, va_list args) {
  if (level > widestLogLevel.load(std::memory_order_relaxed)) return;
  try {
    // Only the calling thread can remove its own entry, so the converter stays
    // valid for the rest of this call. A codec's own frame and slice threads
    // find it through their context: the worker frees the codec, and so
    // joins those threads, before it leaves the registry.
    TAVConvertThread* thread = CurrentConvertThread();
    if (!thread) thread = ConversionOfCodec(context);
    if (!thread) return;
    TAVConverter* converter = thread->FConverter;
    if (level > converter->LogLevel()) return;
    char buffer[MaxLogMessage + 1] = {};
    va_list copy;
    va_copy(copy, args);
    std::vsnprintf(buffer, sizeof buffer, format, copy);
    va_end(copy);
    converter->DoLibraryLog(level, QString::fromUtf8(buffer));
  } catch (...) {
    // A log line must never take the library call down with it.
  }
}

void InstallLibraryLogCallback() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(LibraryLogCallback); });
}

std::mutex& ConvertLock() {
  static std::mutex lock;
  return lock;
}

std::mutex& FilterLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace engine
