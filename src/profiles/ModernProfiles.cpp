#include "profiles/ModernProfiles.h"

extern "C" {
#include <libavutil/macros.h>
#include <libavutil/pixfmt.h>
}

#include "engine/AVConverter.h"

using engine::THardwareApi;
using engine::TVideoFamily;

namespace {

using V = TModernVideo;
using A = TModernAudio;

// Text in this file is UTF-8.
QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// An animated picture: a palette made from the clip itself, a dither that
// stays small, a dozen pictures a second and at most 360 lines.
const char* const GifPalette =
    "split[a][b];[a]palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=bayer:bayer_scale=5:diff_mode=rectangle";
constexpr int GifRate = 12;
constexpr int GifHeight = 360;

bool IsMp4(const TModernRecipe& r) { return QByteArray(r.format) == "mp4"; }

std::optional<TVideoFamily> FamilyOf(TModernVideo v) {
  switch (v) {
    case V::H264: return TVideoFamily::H264;
    case V::HEVC: return TVideoFamily::HEVC;
    case V::AV1: return TVideoFamily::AV1;
    default: return std::nullopt;
  }
}

// The software encoder and its quality options.
QByteArray SoftwareEncoder(const TModernRecipe& r, QStringList& options) {
  const QString q = QString::number(r.quality);
  switch (r.video) {
    case V::H264:
      options << "crf=" + q << "preset=medium";
      if (r.maxHeight) options << (r.maxHeight > 720 ? "level=41" : "level=31");
      return "libx264";
    case V::HEVC:
      options << "crf=" + q << "preset=medium" << "x265-params=log-level=error";
      return "libx265";
    case V::AV1:
      options << "crf=" + q << "preset=8";
      return "libsvtav1";
    case V::VP9:
      options << "crf=" + q << "b=0" << "row-mt=1" << "deadline=good" << "cpu-used=4";
      return "libvpx-vp9";
    case V::GIF:
      return "gif";
    case V::None:
      break;
  }
  return {};
}

}  // namespace

TAVModernProfile::TAVModernProfile(TComponent* AOwner) : TAVProfile(AOwner) {}

bool TAVModernProfile::ApplyProfile(TAVConverter& Converter) {
  TAVConvertOptions& o = Converter.ConvertOptions();
  // Soft subtitles go along into the containers of pictures that keep them;
  // MP4 names no subtitle codec of its own, its players read timed text.
  o.SubtitleOptions().SetSubtitleDisable(FRecipe.video == V::None || FRecipe.video == V::GIF);
  if (IsMp4(FRecipe)) o.SubtitleOptions().SetSubtitleCodecName("mov_text");
  o.SetOutputFormat(QLatin1String(FRecipe.format));
  ApplyAudio(o);
  ApplyVideo(o);
  return true;
}

bool TAVModernProfile::CanKeepHdr() const {
  return !FHardware && (FRecipe.video == V::HEVC || FRecipe.video == V::AV1);
}

void TAVModernProfile::ApplyVideo(TAVConvertOptions& o) const {
  TVideoOptions& vo = o.VideoOptions();
  vo.SetVideoDisable(FRecipe.video == V::None);
  if (FRecipe.video == V::None || vo.VideoStreamCopy()) return;
  QStringList options;
  QByteArray encoder = SoftwareEncoder(FRecipe, options);
  const std::optional<TVideoFamily> family = FamilyOf(FRecipe.video);
  if (FHardware && family) {
    encoder = engine::HardwareEncoderName(*FHardware, *family);
    options = engine::HardwareQualityOptions(*FHardware, FRecipe.quality);
  }
  vo.SetEncoderVideoCodecName(encoder);
  vo.SetBitrate(0);  // the quality decides
  vo.SetMaxFrameHeight(FRecipe.maxHeight);
  if (FRecipe.video == V::HEVC && IsMp4(FRecipe)) vo.SetVideoCodecTag(MKTAG('h', 'v', 'c', '1'));
  if (IsMp4(FRecipe)) options << "movflags=+faststart";  // plays while it downloads
  if (FRecipe.video == V::GIF) {
    vo.FrameRate().Setnum(GifRate);
    vo.FrameRate().Setden(1);
    vo.SetMaxFrameHeight(GifHeight);
    vo.SetFramePixFormat(AV_PIX_FMT_PAL8);
    o.FilterOptions().SetProfileFilters(QLatin1String(GifPalette));
    o.SetLoopOutput(0);  // an animated GIF plays for ever
  }
  for (const QString& line : options) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    o.SetAdvancedOption(line.left(eq), line.mid(eq + 1));
  }
}

void TAVModernProfile::ApplyAudio(TAVConvertOptions& o) const {
  TAudioOptions& ao = o.AudioOptions();
  ao.SetAudioDisable(FRecipe.audio == A::None);
  if (FRecipe.audio == A::None || ao.AudioStreamCopy()) return;
  static const char* const encoders[] = {"", "aac", "libopus", "flac", "libmp3lame"};
  ao.SetEncoderAudioCodecName(QLatin1String(encoders[static_cast<int>(FRecipe.audio)]));
  ao.SetBitrate(FRecipe.audioKbits * 1000);
  // Players of H.264 files and MP3 take two channels; the others keep the source's.
  const bool everyDevice = FRecipe.video == V::H264 || FRecipe.audio == A::MP3;
  ao.SetAudioChannels(everyDevice ? 2 : 0);
  ao.SetAudioSampleRate(FRecipe.audio == A::Opus ? 48000 : 0);
}

QString ModernCategory() { return Text("通用格式"); }

const std::vector<TModernRecipe>& ModernRecipes() {
  static const std::vector<TModernRecipe> recipes{
      {"pfEveryMp4", "通用MP4 H.264(原始尺寸)", ".mp4", "mp4", V::H264, 23, 0, A::AAC, 160, true},
      {"pfEveryMp4_1080", "通用MP4 H.264 1080p", ".mp4", "mp4", V::H264, 23, 1080, A::AAC, 160, true},
      {"pfEveryMp4_720", "通用MP4 H.264 720p", ".mp4", "mp4", V::H264, 23, 720, A::AAC, 128, true},
      {"pfHevcMp4", "高效率视频H.265(*.mp4)", ".mp4", "mp4", V::HEVC, 28, 0, A::AAC, 160, true},
      {"pfHevcMkv", "高效率视频H.265(*.mkv)", ".mkv", "matroska", V::HEVC, 28, 0, A::AAC, 160, true},
      {"pfAv1Webm", "AV1视频(*.webm)", ".webm", "webm", V::AV1, 35, 0, A::Opus, 128, true},
      {"pfAv1Mkv", "AV1视频(*.mkv)", ".mkv", "matroska", V::AV1, 35, 0, A::Opus, 128, true},
      {"pfVp9Webm", "网页视频VP9(*.webm)", ".webm", "webm", V::VP9, 31, 0, A::Opus, 128, false},
      {"pfOpus", "Opus音频(*.opus)", ".opus", "opus", V::None, 0, 0, A::Opus, 128, false},
      {"pfFlac", "FLAC无损音频(*.flac)", ".flac", "flac", V::None, 0, 0, A::FLAC, 0, false},
      {"pfMp3_320", "MP3音频(320kbit/s)", ".mp3", "mp3", V::None, 0, 0, A::MP3, 320, false},
      {"pfGifAnim", "动画GIF(*.gif)", ".gif", "gif", V::GIF, 0, 0, A::None, 0, false},
  };
  return recipes;
}

void CreateModernProfiles(TAVProfileList& List, TComponent* Owner,
                          const std::vector<engine::THardwareEncoder>& hardware) {
  QStringList categories = List.Categories();
  if (!categories.contains(ModernCategory())) List.SetCategories(categories << ModernCategory());
  auto add = [&](const TModernRecipe& recipe, std::optional<THardwareApi> api, const QString& caption,
                 const QString& name) {
    auto* profile = new TAVModernProfile(Owner);
    profile->SetName(name);
    profile->SetDescription(caption);
    profile->SetExtension(QLatin1String(recipe.extension));
    profile->SetCategory(ModernCategory());
    profile->SetRecipe(recipe);
    profile->SetHardware(api);
    profile->SetProfileList(&List);
  };
  for (const TModernRecipe& recipe : ModernRecipes()) add(recipe, std::nullopt, Text(recipe.description), recipe.name);
  for (const TModernRecipe& recipe : ModernRecipes()) {
    const std::optional<TVideoFamily> family = FamilyOf(recipe.video);
    if (!recipe.hardware || !family) continue;
    for (const engine::THardwareEncoder& e : hardware) {
      if (e.family != *family) continue;
      const QString api = QLatin1String(engine::HardwareApiName(e.api));
      add(recipe, e.api, Text(recipe.description) + Text("·") + api + Text("硬件编码"),
          QLatin1String(recipe.name) + QLatin1Char('_') + api);
    }
  }
}
