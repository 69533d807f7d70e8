#pragma once
// Process-wide state shared by every converter: the registry of running
// conversion threads, the library log routing and the two engine locks.

#include <cstdarg>
#include <mutex>

class TAVConvertThread;
class TAVConverter;

namespace engine {

// Registers thread under the calling thread's id; Unregister removes the
// calling thread's entry.
void RegisterConvertThread(TAVConvertThread* thread);
void UnregisterConvertThread();
// The conversion thread running on the calling thread, or nullptr.
TAVConvertThread* CurrentConvertThread();
// The registered conversion a codec context was opened for (its opaque
// value, which the library copies to the codec's own threads), or nullptr.
TAVConvertThread* ConversionOfCodec(const void* context);
// Number of registered threads (for tests and shutdown).
int ConvertThreadCount();

// Installed as the media libraries' log callback: hands each line to the
// converter whose worker thread logged it, when its level passes that
// converter's log level. Lines of unregistered threads are dropped.
void LibraryLogCallback(void* context, int level, const char* format, va_list args);
// Lets lines up to level through the callback's first check (a converter
// asked for more than the warning level).
void WidenLibraryLogLevel(int level);
// Installs LibraryLogCallback once per process.
void InstallLibraryLogCallback();

// Held only around library calls that still need serialising across runs.
std::mutex& ConvertLock();
// Held by the program's own filter stages while they set themselves up.
std::mutex& FilterLock();

}  // namespace engine
