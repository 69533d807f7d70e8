#include "media/AviSynthLibrary.h"

#include <dlfcn.h>

#include <QFile>

#include <map>
#include <memory>

namespace media {

namespace {

// The names AviSynth+ installs its library under, most general first.
constexpr const char* UsualNames[] = {"libavisynth.so", "libavisynth.so.10", "libavisynth.so.9"};

// The interface version the environment is asked for (the C interface's second).
constexpr int InterfaceVersion = 2;

struct TLoadedLibraries {
  QString path;  // the current setting
  // By setting: a setting loads its library once; the others stay loaded.
  std::map<QString, std::unique_ptr<TAviSynthLibrary>> libraries;
};

// Never destroyed: the environments stay usable (and reachable) until the
// process ends.
TLoadedLibraries& Loaded() {
  static auto* loaded = new TLoadedLibraries;
  return *loaded;
}

QString DlError() {
  const char* text = dlerror();
  return text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
}

// The library's handle, opened by path or by the first usual name that loads.
void* OpenLibrary(const QString& path, QString* error) {
  if (!path.isEmpty()) {
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) *error = QStringLiteral("the AviSynth library is missing (%1)").arg(DlError());
    return handle;
  }
  QString reason;
  for (const char* name : UsualNames) {
    if (void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL)) return handle;
    if (reason.isEmpty()) reason = DlError();
  }
  *error = QStringLiteral("the AviSynth library is missing (%1)").arg(reason);
  return nullptr;
}

bool BindEntryPoints(void* handle, TAviSynthLibrary& library, QString* error) {
#define TESVANOR_AVS_BIND(name, result, params)                                                   \
  library.name = reinterpret_cast<result(*) params>(dlsym(handle, #name));                        \
  if (!library.name) {                                                                            \
    *error = QStringLiteral("the AviSynth library lacks the entry point %1").arg(QLatin1String(#name)); \
    return false;                                                                                 \
  }
  TESVANOR_AVS_ENTRY_POINTS(TESVANOR_AVS_BIND)
#undef TESVANOR_AVS_BIND
  return true;
}

std::unique_ptr<TAviSynthLibrary> Load(const QString& path, bool (*registerFunctions)(const TAviSynthLibrary&),
                                       QString* error) {
  void* handle = OpenLibrary(path, error);
  if (!handle) return nullptr;
  auto library = std::make_unique<TAviSynthLibrary>();
  // A library that fails here is left loaded: unloading code that may have
  // started threads of its own is not safe.
  if (!BindEntryPoints(handle, *library, error)) return nullptr;
  AVS_ScriptEnvironment* environment = library->avs_create_script_environment(InterfaceVersion);
  const char* failure = environment ? library->avs_get_error(environment) : "no environment";
  if (failure) {
    *error = QStringLiteral("the AviSynth library makes no script environment (%1)").arg(QString::fromUtf8(failure));
    return nullptr;
  }
  library->environment = environment;
  if (!registerFunctions(*library)) {
    const char* why = library->avs_get_error(environment);
    *error = QStringLiteral("the AviSynth library refuses the program's script functions (%1)")
                 .arg(QString::fromUtf8(why ? why : "unknown error"));
    return nullptr;
  }
  return library;
}

}  // namespace

void SetAviSynthLibrary(const QString& path) {
  std::lock_guard guard(AviSynthLock());
  Loaded().path = path;
}

std::mutex& AviSynthLock() {
  static std::mutex lock;
  return lock;
}

const TAviSynthLibrary* AviSynth(bool (*registerFunctions)(const TAviSynthLibrary&), QString* error) {
  TLoadedLibraries& loaded = Loaded();
  auto it = loaded.libraries.find(loaded.path);
  if (it != loaded.libraries.end()) return it->second.get();
  std::unique_ptr<TAviSynthLibrary> library = Load(loaded.path, registerFunctions, error);
  if (!library) return nullptr;  // tried again next time: the user may install it meanwhile
  return loaded.libraries.emplace(loaded.path, std::move(library)).first->second.get();
}

}  // namespace media
