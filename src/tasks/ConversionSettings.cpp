#include "tasks/ConversionSettings.h"

#include "engine/EngineError.h"
#include "tasks/OmniXML.h"
#include "tasks/XmlTree.h"

using engine::ObjectProperty;
using engine::Property;
using K = TPropKind;

void TConversionSettings::Assign(const TAVPersistent& Source) {
  const auto* s = dynamic_cast<const TConversionSettings*>(&Source);
  if (!s) return TAVPersistent::Assign(Source);  // raises the mismatch error
  SetSourceFile(s->SourceFile());
  SetSourceType(s->SourceType());
  SetDvdDriver(s->DvdDriver());
  SetDvdTitle(s->DvdTitle());
  SetDvdChapter(s->DvdChapter());
  SetDvdThrough(s->DvdThrough());
  SetDvdAngle(s->DvdAngle());
  SetDvdVolume(s->DvdVolume());
  SetTargetFile(s->TargetFile());
  SetProfile(s->Profile());
  SetCategoryId(s->CategoryId());
  SetConvertOptions(s->ConvertOptions());
  SetDuration(s->Duration());
  SetSourceFileSize(s->SourceFileSize());
}

const TPropList& TConversionSettings::Properties() const {
  using C = TConversionSettings;
  static const TPropList list{
      Property("SourceFile", K::String, &C::SourceFile, &C::SetSourceFile),
      Property("SourceType", K::Enumeration, &C::SourceType, &C::SetSourceType, std::nullopt, {"stFile", "stDvd"}),
      Property("DvdDriver", K::String, &C::DvdDriver, &C::SetDvdDriver),
      Property("DvdTitle", K::Integer, &C::DvdTitle, &C::SetDvdTitle),
      Property("DvdChapter", K::Integer, &C::DvdChapter, &C::SetDvdChapter),
      Property("DvdThrough", K::Integer, &C::DvdThrough, &C::SetDvdThrough),
      Property("DvdAngle", K::Integer, &C::DvdAngle, &C::SetDvdAngle),
      Property("DvdVolume", K::String, &C::DvdVolume, &C::SetDvdVolume),
      Property("TargetFile", K::String, &C::TargetFile, &C::SetTargetFile),
      Property("Profile", K::String, &C::Profile, &C::SetProfile),
      Property("CategoryId", K::Integer, &C::CategoryId, &C::SetCategoryId),
      ObjectProperty<C, TAVConvertOptions>("ConvertOptions", &C::ConvertOptions),
      Property("Duration", K::Double, &C::Duration, &C::SetDuration),
      Property("SourceFileSize", K::Int64, &C::SourceFileSize, &C::SetSourceFileSize),
  };
  return list;
}

namespace {

QString CodePoint(char32_t c) { return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper(); }

// The text with each character a document cannot carry written out (\x01,
// \uFFFE), so that the message shows where it is.
QString Visible(const QString& text) {
  QString shown;
  for (const QChar c : text) {
    if (tasks::FirstCharacterXmlCannotCarry(QString(c)) && !c.isSurrogate())
      shown += c.unicode() < 0x100 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                   : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    else
      shown += c;
  }
  return shown;
}

}  // namespace

void RequireStorableSettings(const TConversionSettings& settings) {
  const auto found = tasks::TOmniXMLWriter::FindUnstorableText(settings);
  if (!found) return;
  throw EAVError(QStringLiteral("Cannot make the task: %1 \"%2\" holds the character %3, which a task cannot "
                                "store. Rename the file or choose another name.")
                     .arg(found->Property, Visible(found->Value), CodePoint(found->Character)));
}
