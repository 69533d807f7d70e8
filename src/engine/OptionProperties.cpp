// The persistent property tables of the option classes, in the order the
// classes declare them, and text access to them by dotted path.

#include <QLocale>

#include "engine/AVConvertOptions.h"
#include "engine/PersistentProperties.h"

using engine::ObjectProperty;
using engine::Property;
using K = TPropKind;

namespace {

constexpr int64_t NoLimit = 2147483647;

}  // namespace

const TPropList& TAVPersistent::Properties() const {
  static const TPropList none;
  return none;
}

const TPropList& TAVPersistent::RuntimeProperties() const {
  static const TPropList none;
  return none;
}

const TPropList& TRational::Properties() const {
  using C = TRational;
  static const TPropList list{
      Property("num", K::Integer, &C::num, &C::Loadnum, int64_t(DefaultNum)),
      Property("den", K::Integer, &C::den, &C::Loadden, int64_t(DefaultDen)),
  };
  return list;
}

const TPropList& TAudioOptions::Properties() const {
  using C = TAudioOptions;
  static const TPropList list{
      Property("AudioChannels", K::Integer, &C::AudioChannels, &C::SetAudioChannels),
      Property("AudioSampleRate", K::Integer, &C::AudioSampleRate, &C::SetAudioSampleRate),
      Property("AudioVolume", K::Integer, &C::AudioVolume, &C::SetAudioVolume),
      Property("AudioSyncMethod", K::Integer, &C::AudioSyncMethod, &C::SetAudioSyncMethod),
      Property("AudioDisable", K::Boolean, &C::AudioDisable, &C::SetAudioDisable),
      Property("AudioSampleFmt", K::Enumeration, &C::AudioSampleFmt, &C::SetAudioSampleFmt, std::nullopt,
               {"sfAuto", "sfU8", "sfS16", "sfS32", "sfFLT", "sfDBL"}),
      Property("AudioStreamCopy", K::Boolean, &C::AudioStreamCopy, &C::SetAudioStreamCopy),
      Property("EncoderAudioCodecName", K::String, &C::EncoderAudioCodecName, &C::SetEncoderAudioCodecName),
      Property("DecoderAudioCodecName", K::String, &C::DecoderAudioCodecName, &C::SetDecoderAudioCodecName),
      Property("AudioCodecTag", K::Integer, &C::AudioCodecTag, &C::SetAudioCodecTag),
      Property("AudioLanguage", K::String, &C::AudioLanguage, &C::SetAudioLanguage),
      Property("AudioQScale", K::Single, &C::AudioQScale, &C::SetAudioQScale),
      Property("AudioDriftThreshold", K::Single, &C::AudioDriftThreshold, &C::SetAudioDriftThreshold),
      Property("Bitrate", K::Integer, &C::Bitrate, &C::SetBitrate),
      Property("MaxFrames", K::Integer, &C::MaxFrames, &C::SetMaxFrames, NoLimit),
  };
  return list;
}

const TPropList& TVideoOptions::Properties() const {
  using C = TVideoOptions;
  static const TPropList list{
      Property("FrameLeftBand", K::Integer, &C::FrameLeftBand, &C::SetFrameLeftBand),
      Property("FrameRightBand", K::Integer, &C::FrameRightBand, &C::SetFrameRightBand),
      Property("FrameTopBand", K::Integer, &C::FrameTopBand, &C::SetFrameTopBand),
      Property("FrameBottomBand", K::Integer, &C::FrameBottomBand, &C::SetFrameBottomBand),
      Property("FrameWidth", K::Integer, &C::FrameWidth, &C::SetFrameWidth),
      Property("FrameHeight", K::Integer, &C::FrameHeight, &C::SetFrameHeight),
      Property("EncoderVideoCodecName", K::AnsiString, &C::EncoderVideoCodecName, &C::SetEncoderVideoCodecName),
      Property("DecoderVideoCodecName", K::AnsiString, &C::DecoderVideoCodecName, &C::SetDecoderVideoCodecName),
      Property("VideoDisable", K::Boolean, &C::VideoDisable, &C::SetVideoDisable),
      Property("VideoStreamCopy", K::Boolean, &C::VideoStreamCopy, &C::SetVideoStreamCopy),
      Property("VideoCodecTag", K::Integer, &C::VideoCodecTag, &C::SetVideoCodecTag),
      Property("VideoLanguage", K::String, &C::VideoLanguage, &C::SetVideoLanguage),
      Property("VideoGlobalHeader", K::Integer, &C::VideoGlobalHeader, &C::SetVideoGlobalHeader),
      Property("IntraOnly", K::Boolean, &C::IntraOnly, &C::SetIntraOnly),
      Property("VideoQscale", K::Single, &C::VideoQscale, &C::SetVideoQscale),
      Property("SameQuality", K::Boolean, &C::SameQuality, &C::SetSameQuality),
      Property("VideoRcOverrideString", K::String, &C::VideoRcOverrideString, &C::SetVideoRcOverrideString),
      Property("IntraDcPrecision", K::Integer, &C::IntraDcPrecision, &C::SetIntraDcPrecision,
               int64_t(DefaultIntraDcPrecision)),
      Property("VideoSyncMethod", K::Integer, &C::VideoSyncMethod, &C::SetVideoSyncMethod),
      Property("TopFieldFirst", K::Integer, &C::TopFieldFirst, &C::SetTopFieldFirst),
      Property("ForceFPS", K::Boolean, &C::ForceFPS, &C::SetForceFPS),
      Property("IntraMatrix", K::StringList, &C::IntraMatrix, &C::SetIntraMatrix),
      Property("InterMatrix", K::StringList, &C::InterMatrix, &C::SetInterMatrix),
      ObjectProperty<C, TRational>("FrameRate", &C::FrameRate),
      Property("FrameAspectRatio", K::Single, &C::FrameAspectRatio, &C::SetFrameAspectRatio),
      Property("MeThreshold", K::Integer, &C::MeThreshold, &C::SetMeThreshold),
      Property("Deinterlace", K::Boolean, &C::Deinterlace, &C::SetDeinterlace),
      Property("Pass", K::Integer, &C::Pass, &C::SetPass),
      Property("MaxFrames", K::Integer, &C::MaxFrames, &C::SetMaxFrames),
      Property("Bitrate", K::Integer, &C::Bitrate, &C::SetBitrate),
      Property("MaxFrameHeight", K::Integer, &C::MaxFrameHeight, &C::SetMaxFrameHeight, int64_t(0)),
      Property("TargetFileSize", K::Int64, &C::TargetFileSize, &C::SetTargetFileSize),
      Property("DeinterlaceMode", K::Enumeration, &C::DeinterlaceMode, &C::SetDeinterlaceMode, int64_t(0),
               {"dmAutomatic", "dmOff", "dmAlways"}),
      Property("HdrOutput", K::Enumeration, &C::HdrOutput, &C::SetHdrOutput, int64_t(0), {"hoAutomatic", "hoSdr"}),
  };
  return list;
}

const TPropList& TVideoOptions::RuntimeProperties() const {
  using C = TVideoOptions;
  static const TPropList list{
      Property("FramePixFormat", K::Integer, &C::FramePixFormat, &C::SetFramePixFormat),
      Property("VideoDiscard", K::Integer, &C::VideoDiscard, &C::SetVideoDiscard),
  };
  return list;
}

const TPropList& TSubtitleOptions::Properties() const {
  using C = TSubtitleOptions;
  static const TPropList list{
      Property("SubtitleLanguage", K::String, &C::SubtitleLanguage, &C::SetSubtitleLanguage),
      Property("SubtitleCodecName", K::AnsiString, &C::SubtitleCodecName, &C::SetSubtitleCodecName),
      Property("SubtitleDisable", K::Boolean, &C::SubtitleDisable, &C::SetSubtitleDisable),
      Property("SubtitleStreamCopy", K::Boolean, &C::SubtitleStreamCopy, &C::SetSubtitleStreamCopy),
      Property("SubtitleCodecTag", K::Integer, &C::SubtitleCodecTag, &C::SetSubtitleCodecTag),
  };
  return list;
}

const TPropList& TMuxerOptions::Properties() const {
  using C = TMuxerOptions;
  static const TPropList list{
      Property("MuxPreload", K::Single, &C::MuxPreload, &C::SetMuxPreload),
      Property("MuxMaxDelay", K::Single, &C::MuxMaxDelay, &C::SetMuxMaxDelay),
      Property("AudioBitstreamFilters", K::StringList, &C::AudioBitstreamFilters, &C::SetAudioBitstreamFilters),
      Property("SubtitleBitstreamFilters", K::StringList, &C::SubtitleBitstreamFilters,
               &C::SetSubtitleBitstreamFilters),
      Property("VideoBitstreamFilters", K::StringList, &C::VideoBitstreamFilters, &C::SetVideoBitstreamFilters),
  };
  return list;
}

const TPropList& TGrabOptions::Properties() const {
  using C = TGrabOptions;
  static const TPropList list{
      Property("VideoChannel", K::Integer, &C::VideoChannel, &C::SetVideoChannel),
      Property("VideoStandard", K::AnsiString, &C::VideoStandard, &C::SetVideoStandard),
      Property("InputSync", K::Boolean, &C::InputSync, &C::SetInputSync),
  };
  return list;
}

const TPropList& TFilterOptions::Properties() const {
  using C = TFilterOptions;
  static const TPropList list{
      Property("VideoFilters", K::String, &C::VideoFilters, &C::SetVideoFilters),
      Property("ProfileFilters", K::String, &C::ProfileFilters, &C::SetProfileFilters),
  };
  return list;
}

const TPropList& TAVConvertOptions::Properties() const {
  using C = TAVConvertOptions;
  static const TPropList list{
      ObjectProperty<C, TAudioOptions>("AudioOptions", &C::AudioOptions),
      ObjectProperty<C, TSubtitleOptions>("SubtitleOptions", &C::SubtitleOptions),
      ObjectProperty<C, TVideoOptions>("VideoOptions", &C::VideoOptions),
      ObjectProperty<C, TMuxerOptions>("MuxerOptions", &C::MuxerOptions),
      ObjectProperty<C, TGrabOptions>("GrabOptions", &C::GrabOptions),
      ObjectProperty<C, TFilterOptions>("FilterOptions", &C::FilterOptions),
      Property("MetaData", K::StringList, &C::MetaData, &C::SetMetaData),
      Property("CodecOptions", K::StringList, &C::CodecOptions, &C::SetCodecOptions),
      Property("OutputFormat", K::String, &C::OutputFormat, &C::SetOutputFormat),
      Property("InputFormat", K::String, &C::InputFormat, &C::SetInputFormat),
      Property("StartTime", K::Int64, &C::StartTime, &C::SetStartTime),
      Property("RecordingTime", K::Int64, &C::RecordingTime, &C::SetRecordingTime),
      Property("ThreadCount", K::Integer, &C::ThreadCount, &C::SetThreadCount, int64_t(DefaultThreadCount)),
      Property("StreamMaps", K::StringList, &C::StreamMaps, &C::SetStreamMaps),
  };
  return list;
}

const TPropList& TAVConvertOptions::RuntimeProperties() const {
  using C = TAVConvertOptions;
  static const TPropList list{
      Property("PGMYUVCompatibilityHack", K::Boolean, &C::PGMYUVCompatibilityHack, &C::SetPGMYUVCompatibilityHack),
      Property("ProgramID", K::Integer, &C::ProgramID, &C::SetProgramID),
      Property("LoopInput", K::Boolean, &C::LoopInput, &C::SetLoopInput),
      Property("LoopOutput", K::Integer, &C::LoopOutput, &C::SetLoopOutput),
      Property("RateEmu", K::Boolean, &C::RateEmu, &C::SetRateEmu),
      Property("DoPSNR", K::Boolean, &C::DoPSNR, &C::SetDoPSNR),
      Property("DtsDeltaThreshold", K::Single, &C::DtsDeltaThreshold, &C::SetDtsDeltaThreshold),
      Property("AudioSize", K::Int64, &C::AudioSize, &C::SetAudioSize),
      Property("SwsFlags", K::Integer, &C::SwsFlags, &C::SetSwsFlags),
      Property("VideoSize", K::Int64, &C::VideoSize, &C::SetVideoSize),
      Property("RecTimestamp", K::Int64, &C::RecTimestamp, &C::SetRecTimestamp),
      Property("LimitFileSize", K::Int64, &C::LimitFileSize, &C::SetLimitFileSize),
      Property("ShortTest", K::Boolean, &C::ShortTest, &C::SetShortTest),
      Property("MaxDataFrames", K::Integer, &C::MaxDataFrames, &C::SetMaxDataFrames),
      Property("CopyInitialNonkeyframes", K::Boolean, &C::CopyInitialNonkeyframes, &C::SetCopyInitialNonkeyframes),
      Property("InputTSOffset", K::Int64, &C::InputTSOffset, &C::SetInputTSOffset),
      Property("InputTSScale", K::StringList, &C::InputTSScaleText, &C::SetInputTSScaleText),
      Property("CopyTS", K::Boolean, &C::CopyTS, &C::SetCopyTS),
  };
  return list;
}

QStringList TAVConvertOptions::InputTSScaleText() const {
  QStringList text;
  for (const TAVInputTSScale& e : FInputTSScale)
    text << QStringLiteral("%1:%2:%3").arg(e.file_index).arg(e.stream_index).arg(e.scale, 0, 'g', 17);
  return text;
}

void TAVConvertOptions::SetInputTSScaleText(const QStringList& v) {
  std::vector<TAVInputTSScale> entries;
  for (const QString& item : v) {
    const QStringList parts = item.split(QLatin1Char(':'));
    if (parts.size() != 3) continue;
    entries.push_back({parts[0].toInt(), parts[1].toInt(), QLocale::c().toDouble(parts[2])});
  }
  FInputTSScale = entries;
}

namespace engine {

const TPropInfo* FindProperty(TAVPersistent& root, const QString& path, TAVPersistent*& owner) {
  TAVPersistent* object = &root;
  const QStringList parts = path.split(QLatin1Char('.'));
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const TPropInfo* found = nullptr;
    for (const TPropList* list : {&object->Properties(), &object->RuntimeProperties()})
      for (const TPropInfo& p : *list)
        if (!found && parts[i].compare(QLatin1String(p.Name), Qt::CaseInsensitive) == 0) found = &p;
    if (!found) return nullptr;
    if (i + 1 == parts.size()) {
      owner = object;
      return found;
    }
    if (found->Kind != TPropKind::Object) return nullptr;
    object = found->Object(*object);
  }
  return nullptr;
}

namespace {

std::optional<QVariant> ParseValue(const TPropInfo& p, const QString& text) {
  const QLocale c = QLocale::c();
  bool ok = false;
  switch (p.Kind) {
    case TPropKind::Integer: {
      const int v = c.toInt(text, &ok);
      return ok ? std::optional<QVariant>(v) : std::nullopt;
    }
    case TPropKind::Int64: {
      const qint64 v = c.toLongLong(text, &ok);
      return ok ? std::optional<QVariant>(v) : std::nullopt;
    }
    case TPropKind::Boolean:
      if (text == QLatin1String("1") || text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
      if (text == QLatin1String("0") || text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
      return std::nullopt;
    case TPropKind::Enumeration: {
      for (size_t i = 0; i < p.EnumNames.size(); ++i)
        if (text.compare(QLatin1String(p.EnumNames[i]), Qt::CaseInsensitive) == 0) return int(i);
      const int v = c.toInt(text, &ok);
      return ok && v >= 0 && v < int(p.EnumNames.size()) ? std::optional<QVariant>(v) : std::nullopt;
    }
    case TPropKind::Single: {
      const float v = c.toFloat(text, &ok);
      return ok ? std::optional<QVariant>(v) : std::nullopt;
    }
    case TPropKind::Double:
    case TPropKind::DateTime: {
      const double v = c.toDouble(text, &ok);
      return ok ? std::optional<QVariant>(v) : std::nullopt;
    }
    case TPropKind::String: return QVariant(text);
    case TPropKind::AnsiString: return QVariant(text.toLocal8Bit());
    case TPropKind::StringList:
      return QVariant(text.isEmpty() ? QStringList() : text.split(QLatin1Char(',')));
    case TPropKind::Char:
      return text.size() == 1 ? std::optional<QVariant>(text.front()) : std::nullopt;
    case TPropKind::Set: {
      int mask = 0;
      const QString inner = text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')) ? text.mid(1, text.size() - 2) : text;
      for (const QString& member : inner.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        qsizetype bit = 0;
        while (bit < qsizetype(p.EnumNames.size()) &&
               member.trimmed().compare(QLatin1String(p.EnumNames[bit]), Qt::CaseInsensitive) != 0)
          ++bit;
        if (bit == qsizetype(p.EnumNames.size())) return std::nullopt;
        mask |= 1 << bit;
      }
      return QVariant(mask);
    }
    case TPropKind::Object: return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

bool SetPropertyText(TAVPersistent& root, const QString& path, const QString& text, QString& error) {
  TAVPersistent* owner = nullptr;
  const TPropInfo* p = FindProperty(root, path, owner);
  if (!p || p->Kind == TPropKind::Object) {
    error = QStringLiteral("unknown option %1").arg(path);
    return false;
  }
  const std::optional<QVariant> value = ParseValue(*p, text);
  if (!value) {
    error = QStringLiteral("invalid value '%1' for %2").arg(text, path);
    return false;
  }
  p->Set(*owner, *value);
  // A rate somebody typed is asked for, even when it is the default 25/1.
  if (auto* rate = dynamic_cast<TRational*>(owner)) rate->Setnum(rate->num());
  return true;
}

}  // namespace engine
