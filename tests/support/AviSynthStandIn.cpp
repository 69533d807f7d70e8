// A stand-in for AviSynth's library, for the tests: it exports the entry
// points the script stage calls (media/AviSynthInterface.h) and runs a tiny
// script language of its own. A script is a chain of calls applied to the
// clip, such as "FlipVertical().Invert()" or "Letterbox(16, 16)":
//   Invert()               every sample v of every plane becomes 255 - v
//   FlipVertical()         the rows of every plane in reverse order
//   Letterbox(top, bottom) that many rows at the top and at the bottom black
// Anything else is a script error, reported when ScriptClip is invoked. Only
// 8-bit 4:2:0 frames (I420) are made. Not thread-safe: the host serialises.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "media/AviSynthInterface.h"

using namespace media;

struct AVS_ScriptEnvironment {
  std::map<std::string, std::pair<AVS_ApplyFunc, void*>> functions;  // by lower-case name
  const char* error = nullptr;
  std::deque<std::string> strings;  // messages handed out; they live as long as the environment

  const char* Keep(const std::string& text) { return strings.emplace_back(text).c_str(); }
};

struct AVS_VideoFrame {
  struct TPlane {
    std::vector<unsigned char> bytes;
    int pitch = 0, rowSize = 0, height = 0;
  } planes[3];
};

namespace {

int PlaneIndex(int selector) { return selector == avs::PlanarU ? 1 : selector == avs::PlanarV ? 2 : 0; }

AVS_VideoFrame* NewFrame(int width, int height, int align) {
  auto* frame = new AVS_VideoFrame;
  align = std::max(align, 1);
  for (int p = 0; p < 3; ++p) {
    AVS_VideoFrame::TPlane& plane = frame->planes[p];
    plane.rowSize = p == 0 ? width : (width + 1) / 2;
    plane.height = p == 0 ? height : (height + 1) / 2;
    plane.pitch = (plane.rowSize + align - 1) / align * align;
    plane.bytes.assign(size_t(plane.pitch) * plane.height, 0);
  }
  return frame;
}

// One call of a script.
struct TOperation {
  std::string name;
  std::vector<int> arguments;
};

void Apply(const TOperation& op, AVS_VideoFrame& frame) {
  for (int p = 0; p < 3; ++p) {
    AVS_VideoFrame::TPlane& plane = frame.planes[p];
    auto row = [&](int y) { return plane.bytes.data() + size_t(y) * plane.pitch; };
    if (op.name == "invert") {
      for (int y = 0; y < plane.height; ++y)
        for (int x = 0; x < plane.rowSize; ++x) row(y)[x] = static_cast<unsigned char>(255 - row(y)[x]);
    } else if (op.name == "flipvertical") {
      for (int y = 0; y < plane.height / 2; ++y)
        std::swap_ranges(row(y), row(y) + plane.rowSize, row(plane.height - 1 - y));
    } else if (op.name == "letterbox") {
      const int shift = p == 0 ? 0 : 1;
      const int top = std::min(op.arguments[0] >> shift, plane.height);
      const int bottom = std::min(op.arguments[1] >> shift, plane.height);
      const unsigned char black = p == 0 ? 16 : 128;
      for (int y = 0; y < plane.height; ++y)
        if (y < top || y >= plane.height - bottom) std::memset(row(y), black, plane.rowSize);
    }
  }
}

// The calls of a script, or an error message.
bool Parse(const std::string& script, std::vector<TOperation>* ops, std::string* error) {
  const std::map<std::string, size_t> known{{"invert", 0}, {"flipvertical", 0}, {"letterbox", 2}};
  size_t i = 0;
  auto skip = [&] {
    while (i < script.size() && std::isspace(static_cast<unsigned char>(script[i]))) ++i;
  };
  for (;;) {
    skip();
    TOperation op;
    std::string written;
    while (i < script.size() && (std::isalnum(static_cast<unsigned char>(script[i])) || script[i] == '_'))
      written += script[i++];
    for (char c : written) op.name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    skip();
    if (op.name.empty() || i >= script.size() || script[i] != '(') {
      *error = "Script error: syntax error";
      return false;
    }
    ++i;
    for (skip(); i < script.size() && script[i] != ')'; skip()) {
      size_t used = 0;
      try {
        op.arguments.push_back(std::stoi(script.substr(i), &used));
      } catch (...) {
        *error = "Script error: syntax error";
        return false;
      }
      i += used;
      skip();
      if (i < script.size() && script[i] == ',') ++i;
    }
    if (i >= script.size()) {
      *error = "Script error: syntax error";
      return false;
    }
    ++i;
    const auto it = known.find(op.name);
    if (it == known.end()) {
      *error = "Script error: there is no function named '" + written + "'";
      return false;
    }
    if (op.arguments.size() != it->second) {
      *error = "Script error: Invalid arguments to function '" + written + "'";
      return false;
    }
    ops->push_back(op);
    skip();
    if (i == script.size()) return true;
    if (script[i] != '.') {
      *error = "Script error: syntax error";
      return false;
    }
    ++i;
  }
}

class TClip {
 public:
  virtual ~TClip() = default;
  virtual AVS_VideoFrame* GetFrame(int n, std::string* error) = 0;
  virtual AVS_VideoInfo& Info() = 0;
};

using TClipRef = std::shared_ptr<TClip>;

// A filter of the host's, made through avs_new_c_filter.
class TCFilter : public TClip {
 public:
  AVS_FilterInfo info{};
  TClipRef child;
  ~TCFilter() override {
    if (info.free_filter) info.free_filter(&info);
  }
  AVS_VideoFrame* GetFrame(int n, std::string* error) override {
    if (!info.get_frame) return child ? child->GetFrame(n, error) : nullptr;
    info.error = nullptr;
    AVS_VideoFrame* frame = info.get_frame(&info, n);
    if (info.error) {
      *error = info.error;
      delete frame;
      return nullptr;
    }
    return frame;
  }
  AVS_VideoInfo& Info() override { return info.vi; }
};

// ScriptClip's result: the child's frames with the script's calls applied.
class TScriptClip : public TClip {
 public:
  TScriptClip(TClipRef c, std::vector<TOperation> o) : child(std::move(c)), ops(std::move(o)) {}
  AVS_VideoFrame* GetFrame(int n, std::string* error) override {
    AVS_VideoFrame* frame = child->GetFrame(n, error);
    if (frame)
      for (const TOperation& op : ops) Apply(op, *frame);
    return frame;
  }
  AVS_VideoInfo& Info() override { return child->Info(); }

 private:
  TClipRef child;
  std::vector<TOperation> ops;
};

AVS_Value ClipValue(const TClipRef& clip) {
  AVS_Value v = avs::VoidValue();
  v.type = 'c';
  v.d.clip = new TClipRef(clip);
  return v;
}

AVS_Value Fail(AVS_ScriptEnvironment* env, const std::string& message) {
  env->error = env->Keep(message);
  return avs::ErrorValue(env->error);
}

AVS_Value ScriptClip(AVS_ScriptEnvironment* env, AVS_Value args) {
  if (args.type != 'a' || args.array_size < 2 || !avs::IsClip(args.d.array[0]) || args.d.array[1].type != 's')
    return Fail(env, "ScriptClip: a clip and a script are needed");
  std::vector<TOperation> ops;
  std::string error;
  if (!Parse(args.d.array[1].d.string, &ops, &error)) return Fail(env, error);
  return ClipValue(std::make_shared<TScriptClip>(*static_cast<TClipRef*>(args.d.array[0].d.clip), std::move(ops)));
}

std::string Lower(const char* text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

struct AVS_Clip {
  TClipRef clip;
  std::string error;
};

extern "C" {

AVS_ScriptEnvironment* avs_create_script_environment(int) { return new AVS_ScriptEnvironment; }

const char* avs_get_error(AVS_ScriptEnvironment* env) { return env->error; }

int avs_add_function(AVS_ScriptEnvironment* env, const char* name, const char*, AVS_ApplyFunc apply, void* userData) {
  env->functions[Lower(name)] = {apply, userData};
  return 0;
}

AVS_Value avs_invoke(AVS_ScriptEnvironment* env, const char* name, AVS_Value args, const char**) {
  env->error = nullptr;
  const std::string key = Lower(name);
  if (key == "scriptclip") return ScriptClip(env, args);
  const auto it = env->functions.find(key);
  if (it == env->functions.end()) return Fail(env, "Function Not Found");
  const AVS_Value array = args.type == 'a' ? args : avs::ArrayValue(&args, 1);
  const AVS_Value result = it->second.first(env, array, it->second.second);
  if (avs::IsError(result)) return Fail(env, result.d.string);
  return result;
}

void avs_release_value(AVS_Value v) {
  if (avs::IsClip(v)) delete static_cast<TClipRef*>(v.d.clip);
}

AVS_Clip* avs_take_clip(AVS_Value v, AVS_ScriptEnvironment*) {
  return new AVS_Clip{*static_cast<TClipRef*>(v.d.clip), {}};
}

void avs_set_to_clip(AVS_Value* v, AVS_Clip* clip) { *v = ClipValue(clip->clip); }

void avs_release_clip(AVS_Clip* clip) { delete clip; }

const char* avs_clip_get_error(AVS_Clip* clip) { return clip->error.empty() ? nullptr : clip->error.c_str(); }

const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) { return &clip->clip->Info(); }

AVS_VideoFrame* avs_get_frame(AVS_Clip* clip, int n) {
  clip->error.clear();
  AVS_VideoFrame* frame = clip->clip->GetFrame(n, &clip->error);
  if (!frame && clip->error.empty()) clip->error = "no frame";
  return frame;
}

void avs_release_video_frame(AVS_VideoFrame* frame) { delete frame; }

AVS_Clip* avs_new_c_filter(AVS_ScriptEnvironment* env, AVS_FilterInfo** fi, AVS_Value child, int store) {
  auto filter = std::make_shared<TCFilter>();
  filter->info.env = env;
  if (avs::IsClip(child)) {
    const TClipRef& parent = *static_cast<TClipRef*>(child.d.clip);
    filter->info.vi = parent->Info();
    if (store) filter->child = parent;
  }
  *fi = &filter->info;
  return new AVS_Clip{filter, {}};
}

AVS_VideoFrame* avs_new_video_frame_a(AVS_ScriptEnvironment* env, const AVS_VideoInfo* vi, int align) {
  if (vi->pixel_type != avs::CsI420 || vi->width <= 0 || vi->height <= 0) {
    env->error = env->Keep("NewVideoFrame: only I420 frames are made here");
    return nullptr;
  }
  return NewFrame(vi->width, vi->height, align);
}

void avs_bit_blt(AVS_ScriptEnvironment*, unsigned char* dst, int dstPitch, const unsigned char* src, int srcPitch,
                 int rowSize, int height) {
  for (int y = 0; y < height; ++y) std::memcpy(dst + ptrdiff_t(y) * dstPitch, src + ptrdiff_t(y) * srcPitch, rowSize);
}

int avs_get_pitch_p(const AVS_VideoFrame* f, int plane) { return f->planes[PlaneIndex(plane)].pitch; }
int avs_get_row_size_p(const AVS_VideoFrame* f, int plane) { return f->planes[PlaneIndex(plane)].rowSize; }
int avs_get_height_p(const AVS_VideoFrame* f, int plane) { return f->planes[PlaneIndex(plane)].height; }
const unsigned char* avs_get_read_ptr_p(const AVS_VideoFrame* f, int plane) {
  return f->planes[PlaneIndex(plane)].bytes.data();
}
unsigned char* avs_get_write_ptr_p(const AVS_VideoFrame* f, int plane) {
  return const_cast<unsigned char*>(f->planes[PlaneIndex(plane)].bytes.data());
}

}  // extern "C"

// Every entry point has the type the host looks it up with.
#define TESVANOR_AVS_CHECK(name, result, params) \
  static_assert(std::is_same_v<decltype(&name), result(*) params>, #name);
TESVANOR_AVS_ENTRY_POINTS(TESVANOR_AVS_CHECK)
