#include "media/SynthStage.h"

#include <map>

extern "C" {
#include <libavutil/common.h>
#include <libavutil/pixfmt.h>
}

#include "media/AviSynthLibrary.h"
#include "media/LibraryPtrs.h"

namespace media {

namespace {

// The one-frame clip's nominal rate and length.
constexpr unsigned SourceRateNumerator = 24;
constexpr unsigned SourceRateDenominator = 1;
constexpr int FrameAlignment = 16;

const char* const SourceFunction = "FfmpegSource";

// Live stages by the number FfmpegSource is called with (a picture's address
// does not fit the script language's integers). Guarded by AviSynthLock().
struct TStageRegistry {
  std::map<int, TSynthStage*> stages;
  int next = 1;
};

TStageRegistry& Stages() {
  static TStageRegistry registry;
  return registry;
}

// Plane p of a 4:2:0 picture: the selector and its size in bytes.
struct TPlane {
  int selector;
  int width;
  int height;
};

TPlane PlaneOf(const AVFrame* picture, int p) {
  if (p == 0) return {avs::PlanarY, picture->width, picture->height};
  return {p == 1 ? avs::PlanarU : avs::PlanarV, AV_CEIL_RSHIFT(picture->width, 1), AV_CEIL_RSHIFT(picture->height, 1)};
}

QString Message(const char* text, const char* otherwise) { return QString::fromUtf8(text ? text : otherwise); }

// A writable picture whose rows run downwards (a flipped picture from the
// graph may have negative line sizes, which block copies do not take).
bool PrepareInPlace(AVFrame* picture) {
  if (av_frame_make_writable(picture) < 0) return false;
  if (picture->linesize[0] >= 0 && picture->linesize[1] >= 0 && picture->linesize[2] >= 0) return true;
  FramePtr copy = MakeFrame();
  if (!copy) return false;
  copy->format = picture->format;
  copy->width = picture->width;
  copy->height = picture->height;
  if (av_frame_get_buffer(copy.get(), 0) < 0 || av_frame_copy(copy.get(), picture) < 0 ||
      av_frame_copy_props(copy.get(), picture) < 0)
    return false;
  av_frame_unref(picture);
  av_frame_move_ref(picture, copy.get());
  return true;
}

}  // namespace

// The AviSynth callbacks; they run inside calls made under AviSynthLock().
struct TSynthCallbacks {
  // Every frame number of the one-frame clip is the stage's current picture.
  static AVS_VideoFrame* SourceFrame(AVS_FilterInfo* fi, int /*n*/) {
    auto* stage = static_cast<TSynthStage*>(fi->user_data);
    if (!stage || !stage->FPicture) {
      fi->error = "FfmpegSource: the picture is no longer there";
      return nullptr;
    }
    const TAviSynthLibrary& avs = stage->FLibrary;
    const AVFrame* picture = stage->FPicture;
    AVS_VideoFrame* frame = avs.avs_new_video_frame_a(fi->env, &fi->vi, FrameAlignment);
    if (!frame) {
      fi->error = "FfmpegSource: AviSynth gives no frame";
      return nullptr;
    }
    for (int p = 0; p < 3; ++p) {
      const TPlane plane = PlaneOf(picture, p);
      unsigned char* target = avs.avs_get_write_ptr_p(frame, plane.selector);
      if (!target) continue;
      const int rowSize = std::min(avs.avs_get_row_size_p(frame, plane.selector), plane.width);
      const int height = std::min(avs.avs_get_height_p(frame, plane.selector), plane.height);
      avs.avs_bit_blt(fi->env, target, avs.avs_get_pitch_p(frame, plane.selector), picture->data[p],
                      picture->linesize[p], rowSize, height);
    }
    return frame;
  }
  static int NoParity(AVS_FilterInfo*, int) { return 0; }
  static int NoAudio(AVS_FilterInfo*, void*, int64_t, int64_t) { return 0; }
  static int NoCacheHints(AVS_FilterInfo*, int, int) { return 0; }
  static void ReleaseSource(AVS_FilterInfo* fi) { fi->user_data = nullptr; }

  // FfmpegSource(int): the one-frame clip of the stage with that number.
  static AVS_Value MakeSource(AVS_ScriptEnvironment* env, AVS_Value args, void* userData) {
    const auto& avs = *static_cast<const TAviSynthLibrary*>(userData);
    const AVS_Value number = args.type == 'a' ? (args.array_size > 0 ? args.d.array[0] : avs::VoidValue()) : args;
    if (number.type != 'i') return avs::ErrorValue("FfmpegSource: a picture number is needed");
    const auto it = Stages().stages.find(number.d.integer);
    if (it == Stages().stages.end() || !it->second->FPicture)
      return avs::ErrorValue("FfmpegSource: no picture has that number");
    TSynthStage* stage = it->second;
    AVS_FilterInfo* fi = nullptr;
    // The clip has no child: every method is ours.
    AVS_Clip* clip = avs.avs_new_c_filter(env, &fi, avs::VoidValue(), 0);
    if (!clip || !fi) return avs::ErrorValue("FfmpegSource: AviSynth makes no filter");
    fi->vi = AVS_VideoInfo{};
    fi->vi.width = stage->FPicture->width;
    fi->vi.height = stage->FPicture->height;
    fi->vi.pixel_type = avs::CsI420;
    fi->vi.fps_numerator = SourceRateNumerator;
    fi->vi.fps_denominator = SourceRateDenominator;
    fi->vi.num_frames = 1;
    fi->user_data = stage;
    fi->get_frame = SourceFrame;
    fi->get_parity = NoParity;
    fi->get_audio = NoAudio;
    fi->set_cache_hints = NoCacheHints;
    fi->free_filter = ReleaseSource;
    AVS_Value value = avs::VoidValue();
    avs.avs_set_to_clip(&value, clip);
    avs.avs_release_clip(clip);
    return value;
  }

  static bool Register(const TAviSynthLibrary& avs) {
    return avs.avs_add_function(avs.environment, SourceFunction, "i", MakeSource,
                                const_cast<TAviSynthLibrary*>(&avs)) == 0;
  }
};

std::unique_ptr<TSynthStage> TSynthStage::Create(const std::optional<QByteArray>& script, QString* error) {
  if (!script) {
    *error = QStringLiteral("no script given");
    return nullptr;
  }
  if (script->size() > MaxScriptBytes) {
    *error = QStringLiteral("the script is longer than %1 bytes").arg(MaxScriptBytes);
    return nullptr;
  }
  std::lock_guard guard(AviSynthLock());
  const TAviSynthLibrary* library = AviSynth(TSynthCallbacks::Register, error);
  if (!library) return nullptr;
  QByteArray text = *script;
  text.replace('|', ',');  // the filter list separates its items with commas
  std::unique_ptr<TSynthStage> stage(new TSynthStage(*library, text));
  TStageRegistry& registry = Stages();
  while (registry.next <= 0 || registry.stages.count(registry.next))
    registry.next = registry.next <= 0 ? 1 : registry.next + 1;
  stage->FNumber = registry.next++;
  registry.stages[stage->FNumber] = stage.get();
  return stage;
}

TSynthStage::TSynthStage(const TAviSynthLibrary& library, QByteArray script)
    : FLibrary(library), FScript(std::move(script)) {}

TSynthStage::~TSynthStage() {
  std::lock_guard guard(AviSynthLock());
  Stages().stages.erase(FNumber);
}

bool TSynthStage::TakesFormat(int pixelFormat) {
  return pixelFormat == AV_PIX_FMT_YUV420P || pixelFormat == AV_PIX_FMT_YUVJ420P;
}

bool TSynthStage::Process(AVFrame* picture, QString* error) {
  if (!TakesFormat(picture->format) || !PrepareInPlace(picture)) {
    *error = QStringLiteral("the picture is not a writable 4:2:0 picture");
    return false;
  }
  std::lock_guard guard(AviSynthLock());
  const TAviSynthLibrary& avs = FLibrary;
  AVS_ScriptEnvironment* env = avs.environment;
  FPicture = picture;
  struct TForget {
    AVFrame*& picture;
    ~TForget() { picture = nullptr; }
  } forget{FPicture};

  const AVS_Value source = avs.avs_invoke(env, SourceFunction, avs::IntValue(FNumber), nullptr);
  if (avs::IsError(source)) {
    *error = Message(source.d.string, "FfmpegSource failed");
    return false;
  }
  const AVS_Value arguments[] = {source, avs::StringValue(FScript.constData())};
  const AVS_Value result = avs.avs_invoke(env, "ScriptClip", avs::ArrayValue(arguments, 2), nullptr);
  avs.avs_release_value(source);
  if (avs::IsError(result) || !avs::IsClip(result)) {
    *error = avs::IsError(result) ? Message(result.d.string, "ScriptClip failed")
                                  : QStringLiteral("ScriptClip gives no clip");
    if (!avs::IsError(result)) avs.avs_release_value(result);
    return false;
  }
  AVS_Clip* clip = avs.avs_take_clip(result, env);
  avs.avs_release_value(result);
  bool copied = false;
  const AVS_VideoInfo* info = avs.avs_get_video_info(clip);
  if (!info || info->width != picture->width || info->height != picture->height) {
    *error = QStringLiteral("the script changes the picture's size");
  } else if (AVS_VideoFrame* frame = avs.avs_get_frame(clip, 0)) {
    copied = CopyBack(frame, picture, error);
    avs.avs_release_video_frame(frame);
  } else {
    *error = Message(avs.avs_clip_get_error(clip), "the script gives no frame");
  }
  avs.avs_release_clip(clip);
  return copied;
}

bool TSynthStage::CopyBack(const AVS_VideoFrame* frame, AVFrame* picture, QString* error) const {
  const TAviSynthLibrary& avs = FLibrary;
  // The whole frame is checked before anything is copied: a script may hand
  // back a frame of another layout, and the picture must stay whole then.
  for (int p = 0; p < 3; ++p) {
    const TPlane plane = PlaneOf(picture, p);
    if (avs.avs_get_row_size_p(frame, plane.selector) != plane.width ||
        avs.avs_get_height_p(frame, plane.selector) != plane.height ||
        !avs.avs_get_read_ptr_p(frame, plane.selector)) {
      *error = QStringLiteral("the script gives a frame that is not 8-bit 4:2:0 of the picture's size");
      return false;
    }
  }
  for (int p = 0; p < 3; ++p) {
    const TPlane plane = PlaneOf(picture, p);
    avs.avs_bit_blt(avs.environment, picture->data[p], picture->linesize[p],
                    avs.avs_get_read_ptr_p(frame, plane.selector), avs.avs_get_pitch_p(frame, plane.selector),
                    plane.width, plane.height);
  }
  return true;
}

}  // namespace media
