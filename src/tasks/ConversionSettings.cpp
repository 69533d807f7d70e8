#include "tasks/ConversionSettings.h"

#include "engine/EngineError.h"

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
