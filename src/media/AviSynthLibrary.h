#pragma once
// AviSynth's C interface, loaded at run time: the library (AviSynth+ installs
// it as libavisynth.so) is looked for by its usual names, or taken from a
// path set beforehand. Each library is loaded once and keeps one script
// environment for the whole process; neither is ever released, because
// clips made by a conversion may still refer to them while the process runs.

#include <QString>
#include <mutex>

#include "media/AviSynthInterface.h"

namespace media {

// The library a script stage uses from now on: a file path, or empty (the
// default) for the usual names.
void SetAviSynthLibrary(const QString& path);

// The loaded library's entry points and its script environment.
struct TAviSynthLibrary {
#define TESVANOR_AVS_POINTER(name, result, params) result(*name) params = nullptr;
  TESVANOR_AVS_ENTRY_POINTS(TESVANOR_AVS_POINTER)
#undef TESVANOR_AVS_POINTER
  AVS_ScriptEnvironment* environment = nullptr;
};

// Every call into AviSynth is made under this lock: conversions run side by
// side and the environment serves them all.
std::mutex& AviSynthLock();

// The library of the current setting, loaded and with its environment made
// (and the host's script functions registered by registerFunctions) on first
// use. Null with *error set when the library is missing, lacks an entry point
// or makes no environment. Call with AviSynthLock() held.
const TAviSynthLibrary* AviSynth(bool (*registerFunctions)(const TAviSynthLibrary&), QString* error);

}  // namespace media
