#include "profiles/TargetProfiles.h"

#include <initializer_list>
#include <iterator>
#include <utility>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "engine/AVConverter.h"

namespace {

struct TRate {
  int num;
  int den;
};

// Frame rate by target: pal, ntsc, film.
constexpr TRate TargetRates[] = {{25, 1}, {30000, 1001}, {24000, 1001}};

// A line added to CodecOptions as it is, even when one of that name exists.
void AppendCodecLine(TAVConvertOptions& o, const QString& line) { o.SetCodecOptions(QStringList(o.CodecOptions()) << line); }

void SetFrameSize(TAVConvertOptions& o, int width, int height) {
  o.VideoOptions().SetFrameWidth(width);
  o.VideoOptions().SetFrameHeight(height);
}

void SetCodecs(TAVConvertOptions& o, const char* video, const char* audio, const char* format) {
  o.VideoOptions().SetEncoderVideoCodecName(video);
  o.AudioOptions().SetEncoderAudioCodecName(QLatin1String(audio));
  o.SetOutputFormat(QLatin1String(format));
}

void SetAdvancedOptions(TAVConvertOptions& o, std::initializer_list<std::pair<const char*, const char*>> options) {
  for (const auto& [key, value] : options) o.SetAdvancedOption(QLatin1String(key), QLatin1String(value));
}

}  // namespace

void TAVTargetProfile::ApplyFrameRate(TAVConverter& Converter) const {
  const size_t target = static_cast<size_t>(FTarget);
  const TRate rate = target < std::size(TargetRates) ? TargetRates[target] : TargetRates[0];
  TRational& r = Converter.ConvertOptions().VideoOptions().FrameRate();
  r.Setnum(rate.num);
  r.Setden(rate.den);
}

// --------------------------------------------------------------------- VCD

TAVVcdProfile::TAVVcdProfile(TComponent* AOwner) : TAVTargetProfile(AOwner) {
  SetDescription(QStringLiteral("VCD"));
  SetExtension(QStringLiteral(".mpg"));
}

bool TAVVcdProfile::ApplyProfile(TAVConverter& Converter) {
  TAVConvertOptions& o = Converter.ConvertOptions();
  SetCodecs(o, "mpeg1video", "mp2", "vcd");
  SetFrameSize(o, 352, Is625Lines() ? 288 : 240);
  AppendCodecLine(o, Is625Lines() ? QStringLiteral("g=15") : QStringLiteral("g=18"));
  o.VideoOptions().SetBitrate(1150000);
  o.AudioOptions().SetBitrate(224000);
  SetAdvancedOptions(o, {{"maxrate", "1150000"},
                         {"minrate", "1150000"},
                         {"bufsize", "327680"},
                         {"packetsize", "2324"},
                         {"muxrate", "1411200"}});
  o.AudioOptions().SetAudioSampleRate(44100);
  o.AudioOptions().SetAudioChannels(2);
  o.MuxerOptions().SetMuxPreload(0.44f);
  ApplyFrameRate(Converter);
  return true;
}

// -------------------------------------------------------------------- SVCD

TAVSVcdProfile::TAVSVcdProfile(TComponent* AOwner) : TAVTargetProfile(AOwner) {
  SetDescription(QStringLiteral("SVCD"));
  SetExtension(QStringLiteral(".mpg"));
}

bool TAVSVcdProfile::ApplyProfile(TAVConverter& Converter) {
  TAVConvertOptions& o = Converter.ConvertOptions();
  SetCodecs(o, "mpeg2video", "mp2", "svcd");
  SetFrameSize(o, 480, Is625Lines() ? 576 : 480);
  AppendCodecLine(o, Is625Lines() ? QStringLiteral("g=15") : QStringLiteral("g=18"));
  o.VideoOptions().SetBitrate(2040000);
  o.AudioOptions().SetBitrate(224000);
  SetAdvancedOptions(o, {{"maxrate", "2516000"},
                         {"minrate", "0"},
                         {"bufsize", "1835008"},
                         {"flags", "+scan_offset"},
                         {"packetsize", "2324"}});
  o.AudioOptions().SetAudioSampleRate(44100);
  ApplyFrameRate(Converter);
  return true;
}

// --------------------------------------------------------------------- DVD

TAVDvdProfile::TAVDvdProfile(TComponent* AOwner) : TAVTargetProfile(AOwner) {
  SetDescription(QStringLiteral("DVD"));
  SetExtension(QStringLiteral(".vob"));
}

bool TAVDvdProfile::ApplyProfile(TAVConverter& Converter) {
  TAVConvertOptions& o = Converter.ConvertOptions();
  SetCodecs(o, "mpeg2video", "ac3", "dvd");
  SetFrameSize(o, 720, Is625Lines() ? 576 : 480);
  AppendCodecLine(o, Is625Lines() ? QStringLiteral("g=15") : QStringLiteral("g=18"));
  o.VideoOptions().SetBitrate(6000000);
  o.AudioOptions().SetBitrate(448000);
  SetAdvancedOptions(o, {{"maxrate", "9000000"},
                         {"minrate", "0"},
                         {"bufsize", "1835008"},
                         {"packetsize", "2048"},
                         {"muxrate", "10080000"}});
  o.AudioOptions().SetAudioSampleRate(48000);
  ApplyFrameRate(Converter);
  return true;
}

// ---------------------------------------------------------------------- DV

TAVDvProfile::TAVDvProfile(TComponent* AOwner) : TAVTargetProfile(AOwner) {
  SetDescription(QStringLiteral("DV"));
  SetExtension(QStringLiteral(".dv"));
}

// No codec names: the engine takes the container's own codecs.
bool TAVDvProfile::ApplyProfile(TAVConverter& Converter) {
  TAVConvertOptions& o = Converter.ConvertOptions();
  o.SetOutputFormat(QStringLiteral("dv"));
  SetFrameSize(o, 720, Is625Lines() ? 576 : 480);
  o.VideoOptions().SetFramePixFormat(Is625Lines() ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P);
  o.AudioOptions().SetAudioSampleRate(48000);
  o.AudioOptions().SetAudioChannels(2);
  ApplyFrameRate(Converter);
  return true;
}

// -------------------------------------------------------------------- DV50

TAVDv50Profile::TAVDv50Profile(TComponent* AOwner) : TAVTargetProfile(AOwner) {
  SetDescription(QStringLiteral("DV50"));
  SetExtension(QStringLiteral(".dv"));
}

// Only the pixel format and the rate: container, size, codecs and audio stay.
bool TAVDv50Profile::ApplyProfile(TAVConverter& Converter) {
  Converter.ConvertOptions().VideoOptions().SetFramePixFormat(AV_PIX_FMT_YUV422P);
  ApplyFrameRate(Converter);
  return true;
}

// ------------------------------------------------------------------ images

TAVImageProfile::TAVImageProfile(TComponent* AOwner) : TAVProfile(AOwner) {
  SetDescription(QStringLiteral("Image Sequence Profile"));
}

bool TAVImageProfile::ApplyProfile(TAVConverter& Converter) {
  Converter.ConvertOptions().SetThreadCount(1);
  return true;
}
