#pragma once
// The part of AviSynth's C interface the script stage uses: the records as
// the library lays them out and the entry points it looks up by name. The
// library itself is loaded at run time (AviSynthLibrary.h); nothing here
// links against it. The test stand-in library implements the same entry
// points from these declarations.

#include <cstdint>

extern "C" {

struct AVS_Clip;
struct AVS_ScriptEnvironment;
struct AVS_VideoFrame;  // reached only through the accessor entry points

// Picture description, laid out as the library's VideoInfo.
struct AVS_VideoInfo {
  int width, height;
  unsigned fps_numerator, fps_denominator;
  int num_frames;
  int pixel_type;
  int audio_samples_per_second;
  int sample_type;
  int64_t num_audio_samples;
  int nchannels;
  int image_type;
};

// A script value: a tagged union the library treats as a counted reference
// (clips) or a plain value. type: 'v'oid, 'c'lip, 'b'ool, 'i'nt, 'f'loat,
// 's'tring, 'a'rray, 'e'rror (string holds the message).
struct AVS_Value {
  short type;
  short array_size;
  union {
    void* clip;
    char boolean;
    int integer;
    float floating_pt;
    const char* string;
    const AVS_Value* array;
    int64_t longlong;  // keeps the union 8 bytes wide, as the library has it
  } d;
};

struct AVS_FilterInfo;
typedef AVS_VideoFrame* (*AVS_GetFrameFunc)(AVS_FilterInfo*, int n);
typedef int (*AVS_GetParityFunc)(AVS_FilterInfo*, int n);
typedef int (*AVS_GetAudioFunc)(AVS_FilterInfo*, void* buf, int64_t start, int64_t count);
typedef int (*AVS_SetCacheHintsFunc)(AVS_FilterInfo*, int hints, int range);
typedef void (*AVS_FreeFilterFunc)(AVS_FilterInfo*);

// A filter written against the C interface (avs_new_c_filter).
struct AVS_FilterInfo {
  AVS_Clip* child;
  AVS_VideoInfo vi;
  AVS_ScriptEnvironment* env;
  AVS_GetFrameFunc get_frame;
  AVS_GetParityFunc get_parity;
  AVS_GetAudioFunc get_audio;
  AVS_SetCacheHintsFunc set_cache_hints;
  AVS_FreeFilterFunc free_filter;
  const char* error;  // set by a method that fails
  void* user_data;
};

// A script function implemented by the host (avs_add_function).
typedef AVS_Value (*AVS_ApplyFunc)(AVS_ScriptEnvironment*, AVS_Value args, void* user_data);

}  // extern "C"

namespace media::avs {

// Pixel types and plane selectors of the interface.
constexpr int CsI420 = static_cast<int>(0xA0000010u);  // planar YUV 4:2:0, U plane first
constexpr int PlanarY = 1 << 0;
constexpr int PlanarU = 1 << 1;
constexpr int PlanarV = 1 << 2;

inline AVS_Value VoidValue() {
  AVS_Value v{};
  v.type = 'v';
  return v;
}
inline AVS_Value IntValue(int i) {
  AVS_Value v{};
  v.type = 'i';
  v.d.integer = i;
  return v;
}
inline AVS_Value StringValue(const char* s) {
  AVS_Value v{};
  v.type = 's';
  v.d.string = s;
  return v;
}
inline AVS_Value ArrayValue(const AVS_Value* elements, int size) {
  AVS_Value v{};
  v.type = 'a';
  v.array_size = static_cast<short>(size);
  v.d.array = elements;
  return v;
}
inline AVS_Value ErrorValue(const char* message) {
  AVS_Value v{};
  v.type = 'e';
  v.d.string = message;
  return v;
}
inline bool IsError(const AVS_Value& v) { return v.type == 'e'; }
inline bool IsClip(const AVS_Value& v) { return v.type == 'c'; }

// The entry points, by the names the library exports.
#define TESVANOR_AVS_ENTRY_POINTS(X)                                                                        \
  X(avs_create_script_environment, AVS_ScriptEnvironment*, (int version))                                  \
  X(avs_get_error, const char*, (AVS_ScriptEnvironment*))                                                  \
  X(avs_add_function, int,                                                                                 \
    (AVS_ScriptEnvironment*, const char* name, const char* params, AVS_ApplyFunc apply, void* user_data)) \
  X(avs_invoke, AVS_Value, (AVS_ScriptEnvironment*, const char* name, AVS_Value args, const char** names)) \
  X(avs_release_value, void, (AVS_Value))                                                                  \
  X(avs_take_clip, AVS_Clip*, (AVS_Value, AVS_ScriptEnvironment*))                                         \
  X(avs_set_to_clip, void, (AVS_Value*, AVS_Clip*))                                                        \
  X(avs_release_clip, void, (AVS_Clip*))                                                                   \
  X(avs_clip_get_error, const char*, (AVS_Clip*))                                                          \
  X(avs_get_video_info, const AVS_VideoInfo*, (AVS_Clip*))                                                 \
  X(avs_get_frame, AVS_VideoFrame*, (AVS_Clip*, int n))                                                    \
  X(avs_release_video_frame, void, (AVS_VideoFrame*))                                                      \
  X(avs_new_c_filter, AVS_Clip*, (AVS_ScriptEnvironment*, AVS_FilterInfo**, AVS_Value child, int store))  \
  X(avs_new_video_frame_a, AVS_VideoFrame*, (AVS_ScriptEnvironment*, const AVS_VideoInfo*, int align))    \
  X(avs_bit_blt, void,                                                                                     \
    (AVS_ScriptEnvironment*, unsigned char* dst, int dst_pitch, const unsigned char* src, int src_pitch,   \
     int row_size, int height))                                                                            \
  X(avs_get_pitch_p, int, (const AVS_VideoFrame*, int plane))                                              \
  X(avs_get_row_size_p, int, (const AVS_VideoFrame*, int plane))                                           \
  X(avs_get_height_p, int, (const AVS_VideoFrame*, int plane))                                             \
  X(avs_get_read_ptr_p, const unsigned char*, (const AVS_VideoFrame*, int plane))                          \
  X(avs_get_write_ptr_p, unsigned char*, (const AVS_VideoFrame*, int plane))

}  // namespace media::avs
