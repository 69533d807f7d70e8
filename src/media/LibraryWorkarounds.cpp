// Guards against a fault of the system's codec library: when a second-pass
// encoder refuses its statistics (a bitrate too low for the video), the
// library frees the rate-control expression twice and the process dies. Every
// expression the codec and filter libraries free goes through the function
// below; one that was freed already, and not parsed anew since, is not freed
// again. The conversion then fails with its ordinary message.

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <mutex>

extern "C" {
#include <libavutil/eval.h>
}

namespace {

using FreeFunction = void (*)(AVExpr*);
using ParseFunction = int (*)(AVExpr**, const char*, const char* const*, const char* const*,
                              double (*const*)(void*, double), const char* const*,
                              double (*const*)(void*, double, double), int, void*);

std::mutex freedLock;
std::array<AVExpr*, 64> freed{};  // the most recently freed expressions
size_t nextFreed = 0;

template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void av_expr_free(AVExpr* e) {
  static const FreeFunction real = Next<FreeFunction>("av_expr_free");
  if (!e) return;
  {
    std::lock_guard guard(freedLock);
    if (std::find(freed.begin(), freed.end(), e) != freed.end()) return;
    freed[nextFreed++ % freed.size()] = e;
  }
  real(e);
}

extern "C" __attribute__((visibility("default"))) int av_expr_parse(
    AVExpr** expr, const char* s, const char* const* const_names, const char* const* func1_names,
    double (*const* funcs1)(void*, double), const char* const* func2_names,
    double (*const* funcs2)(void*, double, double), int log_offset, void* log_ctx) {
  static const ParseFunction real = Next<ParseFunction>("av_expr_parse");
  const int r = real(expr, s, const_names, func1_names, funcs1, func2_names, funcs2, log_offset, log_ctx);
  if (r >= 0 && *expr) {
    std::lock_guard guard(freedLock);
    std::replace(freed.begin(), freed.end(), *expr, static_cast<AVExpr*>(nullptr));
  }
  return r;
}

namespace media {

// Referenced from the library set-up so that the linker keeps this file.
void InstallLibraryWorkarounds() {}

}  // namespace media
