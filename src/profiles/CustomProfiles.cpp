#include "profiles/CustomProfiles.h"

#include <algorithm>
#include <cmath>
#include <limits>

extern "C" {
#include <libavutil/macros.h>
}

#include "engine/AVConverter.h"
#include "engine/EngineError.h"
#include "profiles/CommaText.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileKeys.h"
#include "profiles/X264Profile.h"

using namespace profiles;

namespace {

[[noreturn]] void AssertionFailure() { throw EAVError(QStringLiteral("Assertion failure")); }

// A table row, or the assertion failure for a value outside the table.
template <typename Table, typename Enum>
const typename Table::value_type& CheckedRow(const Table& table, Enum value) {
  const auto* row = RowOf(table, value);
  if (!row) AssertionFailure();
  return *row;
}

// Rounds to the nearest whole number, halves to the even neighbour, and keeps
// the result inside the engine's 32-bit bitrate.
int ToBitsPerSecond(double kbits) {
  const double bits = std::nearbyint(kbits * 1000.0);
  if (std::isnan(bits)) return 0;
  if (bits >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (bits <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(bits);
}

// An ordinal read from the file; a value outside its table gives the first value.
template <typename Enum, typename Table>
Enum ReadOrdinal(const TIniFile& ini, const QString& key, Enum current, const Table& table) {
  const int value = ini.ReadInteger(ProfileSection, key, static_cast<int>(current));
  return value >= 0 && static_cast<size_t>(value) < table.size() ? static_cast<Enum>(value) : static_cast<Enum>(0);
}

template <typename Enum>
void WriteOrdinal(TIniFile& ini, const QString& key, Enum value) {
  ini.WriteInteger(ProfileSection, key, static_cast<int>(value));
}

}  // namespace

TAVFrameSize FrameSizeOf(int width, int height) {
  for (size_t i = 0; i < FrameSizeTable.size(); ++i)
    if (FrameSizeTable[i].FrameWidth == width && FrameSizeTable[i].FrameHeight == height)
      return static_cast<TAVFrameSize>(i);
  return fsOriginal;
}

// -------------------------------------------------------------------- audio

TAVCustomAudioProfile::TAVCustomAudioProfile(TComponent* AOwner) : TAVProfile(AOwner) {}

QString TAVCustomAudioProfile::AudioEncoderName() const {
  const auto* row = RowOf(AudioEncoderTable, FAudioEncoder);
  return row ? QLatin1String(row->displayName) : QString();
}

bool TAVCustomAudioProfile::ApplyProfile(TAVConverter& Converter) {
  ApplyAudio(Converter.ConvertOptions());
  return true;
}

bool TAVCustomAudioProfile::ApplyAudio(TAVConvertOptions& o) const {
  o.VideoOptions().SetVideoDisable(true);
  o.SubtitleOptions().SetSubtitleDisable(true);
  if (o.AudioOptions().AudioStreamCopy()) return false;
  o.AudioOptions().SetEncoderAudioCodecName(QLatin1String(CheckedRow(AudioEncoderTable, FAudioEncoder).codecName));
  if (const char* format = CheckedRow(FormatTable, FFormat).formatName) o.SetOutputFormat(QLatin1String(format));
  o.AudioOptions().SetBitrate(ToBitsPerSecond(FAudioBitrate));
  o.AudioOptions().SetAudioSampleRate(FSampleRate);
  o.AudioOptions().SetAudioChannels(CheckedRow(AudioChannelsTable, FAudioChannels).channels);
  for (const QString& line : FOptions) {
    // A line without a name says nothing the engine could use.
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq > 0) o.SetAdvancedOption(line.left(eq), line.mid(eq + 1));
  }
  return true;
}

void TAVCustomAudioProfile::WriteIni(TIniFile& AIni, int Index) const {
  TAVProfile::WriteIni(AIni, Index);
  AIni.WriteBool(ProfileSection, SlotKey(KeyIsVideo, Index), false);
  AIni.WriteInteger(ProfileSection, SlotKey(KeySampleRate, Index), FSampleRate);
  WriteOrdinal(AIni, SlotKey(KeyAudioEncoder, Index), FAudioEncoder);
  WriteOrdinal(AIni, SlotKey(KeyAudioChannels, Index), FAudioChannels);
  AIni.WriteFloat(ProfileSection, SlotKey(KeyAudioBitrate, Index), FAudioBitrate);
  WriteOrdinal(AIni, SlotKey(KeyFormat, Index), FFormat);
  AIni.WriteString(ProfileSection, SlotKey(KeyOptions, Index), JoinCommaText(FOptions));
}

void TAVCustomAudioProfile::ReadIni(const TIniFile& AIni, int Index) {
  TAVProfile::ReadIni(AIni, Index);
  FSampleRate = AIni.ReadInteger(ProfileSection, SlotKey(KeySampleRate, Index), FSampleRate);
  FAudioEncoder = ReadOrdinal(AIni, SlotKey(KeyAudioEncoder, Index), FAudioEncoder, AudioEncoderTable);
  FAudioChannels = ReadOrdinal(AIni, SlotKey(KeyAudioChannels, Index), FAudioChannels, AudioChannelsTable);
  FAudioBitrate = AIni.ReadFloat(ProfileSection, SlotKey(KeyAudioBitrate, Index), FAudioBitrate);
  FFormat = ReadOrdinal(AIni, SlotKey(KeyFormat, Index), FFormat, FormatTable);
  FOptions = SplitCommaText(AIni.ReadString(ProfileSection, SlotKey(KeyOptions, Index), JoinCommaText(FOptions)));
}

// -------------------------------------------------------------------- video

TAVCustomVideoProfile::TAVCustomVideoProfile(TComponent* AOwner) : TAVCustomAudioProfile(AOwner) { FPass = 0; }

QString TAVCustomVideoProfile::VideoEncoderName() const {
  const auto* row = RowOf(VideoEncoderTable, FVideoEncoder);
  return row ? QLatin1String(row->displayName) : QString();
}

double TAVCustomVideoProfile::VideoFrameRate() const {
  const auto* row = RowOf(FrameRateTable, FFrameRate);
  return row && row->num ? QString::fromLatin1(row->label).toDouble() : 0.0;
}

bool TAVCustomVideoProfile::ApplyProfile(TAVConverter& Converter) {
  TAVConvertOptions& o = Converter.ConvertOptions();
  TVideoOptions& vo = o.VideoOptions();
  ApplyAudio(o);  // an early stop there still leaves the video settings to make
  vo.SetVideoDisable(false);
  // Soft subtitles go along into the containers that keep them; MP4 and
  // QuickTime name no subtitle codec of their own, their players read timed text.
  const char* format = CheckedRow(FormatTable, Format()).formatName;
  for (const char* keeping : {"mp4", "mov", "matroska", "webm"})
    if (format && qstrcmp(format, keeping) == 0) o.SubtitleOptions().SetSubtitleDisable(false);
  if (format && (qstrcmp(format, "mp4") == 0 || qstrcmp(format, "mov") == 0))
    o.SubtitleOptions().SetSubtitleCodecName("mov_text");
  ApplyVideoEncoder(Converter);
  if (FFrameWidth > 0) vo.SetFrameWidth(FFrameWidth);
  if (FFrameHeight > 0) vo.SetFrameHeight(FFrameHeight);
  vo.SetBitrate(ToBitsPerSecond(FVideoBitrate));
  if (FFrameAspectRatio == AR4_3) vo.SetFrameAspectRatio(AspectRatio4x3);
  vo.SetPass(FPass);
  if (FTargetSize > 0) vo.SetTargetFileSize(static_cast<int64_t>(FTargetSize * 1000000.0));
  const TFrameRateInfo& rate = CheckedRow(FrameRateTable, FFrameRate);
  if (FFrameRate != rOriginal) {
    vo.FrameRate().Setnum(rate.num);
    vo.FrameRate().Setden(rate.den);
  }
  return true;
}

void TAVCustomVideoProfile::ApplyVideoEncoder(TAVConverter& Converter) const {
  TAVConvertOptions& o = Converter.ConvertOptions();
  const TVideoEncoderInfo& encoder = CheckedRow(VideoEncoderTable, FVideoEncoder);
  o.VideoOptions().SetEncoderVideoCodecName(encoder.codecName);
  if (encoder.singleThread) o.SetThreadCount(1);
  ApplyTodaysEncoder(o);
  if (FVideoEncoder != TCustomVideoEncoder::H264) return;
  TAVX264Profile x264;
  x264.Setpreset(TPreset::basic);
  x264.ApplyProfile(Converter);
  o.VideoOptions().SetPass(1);
  o.SetAdvancedOption(QStringLiteral("mbd"), QStringLiteral("rd"));
  o.SetAdvancedOption(QStringLiteral("level"), QStringLiteral("41"));
}

// Settings today's encoders want besides a bitrate: quiet x265 and Apple's
// tag for HEVC in MP4, VP9 on every core.
void TAVCustomVideoProfile::ApplyTodaysEncoder(TAVConvertOptions& o) const {
  const QString extension = Extension().toLower();
  const TCustomAVFormat f = Format();
  const bool mp4 = f == F_MP4 || f == F_MOV || f == F_IPOD ||
                   (f == F_NONE && (extension == ".mp4" || extension == ".mov" || extension == ".m4v"));
  switch (FVideoEncoder) {
    case TCustomVideoEncoder::HEVC:
      o.SetAdvancedOption(QStringLiteral("x265-params"), QStringLiteral("log-level=error"));
      if (mp4) o.VideoOptions().SetVideoCodecTag(MKTAG('h', 'v', 'c', '1'));
      break;
    case TCustomVideoEncoder::VP9:
      o.SetAdvancedOption(QStringLiteral("row-mt"), QStringLiteral("1"));
      break;
    case TCustomVideoEncoder::AV1:
      o.SetAdvancedOption(QStringLiteral("preset"), QStringLiteral("8"));
      break;
    default:
      break;
  }
}

void TAVCustomVideoProfile::WriteIni(TIniFile& AIni, int Index) const {
  TAVCustomAudioProfile::WriteIni(AIni, Index);
  AIni.WriteBool(ProfileSection, SlotKey(KeyIsVideo, Index), true);
  AIni.WriteInteger(ProfileSection, SlotKey(KeyFrameWidth, Index), FFrameWidth);
  AIni.WriteInteger(ProfileSection, SlotKey(KeyFrameHeight, Index), FFrameHeight);
  WriteOrdinal(AIni, SlotKey(KeyVideoEncoder, Index), FVideoEncoder);
  WriteOrdinal(AIni, SlotKey(KeyFrameRate, Index), FFrameRate);
  AIni.WriteInteger(ProfileSection, SlotKey(KeyVideoBitrate, Index), FVideoBitrate);
  // Files of profiles that never asked for a size stay as they were.
  const QString sizeKey = SlotKey(KeyTargetSize, Index);
  if (FTargetSize > 0 || AIni.ValueExists(ProfileSection, sizeKey)) AIni.WriteFloat(ProfileSection, sizeKey, FTargetSize);
}

void TAVCustomVideoProfile::ReadIni(const TIniFile& AIni, int Index) {
  TAVCustomAudioProfile::ReadIni(AIni, Index);
  FFrameWidth = AIni.ReadInteger(ProfileSection, SlotKey(KeyFrameWidth, Index), FFrameWidth);
  FFrameHeight = AIni.ReadInteger(ProfileSection, SlotKey(KeyFrameHeight, Index), FFrameHeight);
  FVideoEncoder = ReadOrdinal(AIni, SlotKey(KeyVideoEncoder, Index), FVideoEncoder, VideoEncoderTable);
  FFrameRate = ReadOrdinal(AIni, SlotKey(KeyFrameRate, Index), FFrameRate, FrameRateTable);
  FVideoBitrate = AIni.ReadInteger(ProfileSection, SlotKey(KeyVideoBitrate, Index), FVideoBitrate);
  FTargetSize = std::max(0.0, AIni.ReadFloat(ProfileSection, SlotKey(KeyTargetSize, Index), FTargetSize));
}
