#include "profiles/X264Profile.h"

#include <array>
#include <utility>

#include "engine/AVConverter.h"

namespace {

// One preset's values of the options that differ between presets; nullptr:
// the preset does not set that option.
struct TPresetValues {
  const char* partitions;
  const char* me_method;
  const char* subq;
  const char* me_range;
  const char* b_strategy;
  const char* bf;
  const char* refs;
  const char* directpred;
  const char* trellis;
  const char* cqp;
  const char* flags2;
  const char* wpredp;
};

constexpr const char* None = nullptr;

constexpr std::array<TPresetValues, 11> Presets{{
    // basic
    {"+parti8x8+parti4x4+partp8x8+partb8x8", "hex", "7", "16", "1", "3", "3", "1", "1", None,
     "+mixed_refs+wpred+dct8x8+fastpskip+mbtree", "2"},
    // FastFirstPass
    {"-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8", "dia", "2", "16", "1", "3", "1", "3", "0", None,
     "-bpyramid-wpred-mixed_refs-dct8x8+fastpskip+mbtree", "2"},
    // SlowFirstPass
    {"+parti8x8+parti4x4+partp8x8+partb8x8", "hex", "6", "16", "2", "3", "1", "3", "0", None,
     "+wpred+dct8x8+fastpskip+mbtree", "2"},
    // Common
    {"+parti8x8+parti4x4+partp8x8+partb8x8", "hex", "6", "16", "1", "3", "2", "3", "0", None,
     "+wpred+dct8x8+fastpskip+mbtree", "2"},
    // HighQuality
    {"+parti8x8+parti4x4+partp8x8+partb8x8", "umh", "8", "16", "2", "3", "4", "3", "1", None,
     "+wpred+mixed_refs+dct8x8+fastpskip+mbtree", "2"},
    // Best
    {"+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8", "tesa", "10", "24", "2", "3", "16", "3", "2", None,
     "+wpred+mixed_refs+dct8x8-fastpskip+mbtree", "2"},
    // LosslessFast
    {"-parti8x8+parti4x4+partp8x8-partp4x4-partb8x8", "hex", "3", "16", "1", None, None, "1", None, "0",
     "+fastpskip+mbtree", "0"},
    // LosslessMedium
    {"-parti8x8+parti4x4+partp8x8+partp4x4-partb8x8", "hex", "5", "16", "1", None, None, "1", None, "0",
     "+fastpskip+mbtree", "2"},
    // LosslessSlow
    {"+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8", "umh", "6", "16", "1", None, "2", "1", None, "0",
     "+dct8x8+fastpskip+mbtree", "2"},
    // LosslessSlower
    {"+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8", "umh", "8", "16", "1", None, "4", "1", None, "0",
     "+mixed_refs+dct8x8+fastpskip+mbtree", "2"},
    // LosslessMax
    {"+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8", "esa", "8", "16", "1", None, "16", "1", None, "0",
     "+mixed_refs+dct8x8+fastpskip+mbtree", "2"},
}};

}  // namespace

TAVX264Profile::TAVX264Profile(TComponent* AOwner) : TAVProfile(AOwner) {
  SetDescription(QStringLiteral("H264 Profile"));
  SetExtension(QStringLiteral(".mp4"));
}

bool TAVX264Profile::ApplyProfile(TAVConverter& Converter) {
  if (static_cast<size_t>(Fpreset) >= Presets.size()) return true;
  const TPresetValues& p = Presets[static_cast<size_t>(Fpreset)];
  TAVConvertOptions& o = Converter.ConvertOptions();
  // The options common to all presets interleave with the others in this order.
  const std::pair<const char*, const char*> options[] = {
      {"coder", "1"},          {"flags", "+loop"},   {"cmp", "+chroma"},         {"partitions", p.partitions},
      {"me_method", p.me_method}, {"subq", p.subq}, {"me_range", p.me_range},    {"g", "250"},
      {"keyint_min", "25"},    {"sc_threshold", "40"}, {"i_qfactor", "0.71"},    {"b_strategy", p.b_strategy},
      {"qcomp", "0.6"},        {"qmin", "10"},       {"qmax", "51"},             {"qdiff", "4"},
      {"bf", p.bf},            {"refs", p.refs},     {"directpred", p.directpred}, {"trellis", p.trellis},
      {"cqp", p.cqp},          {"flags2", p.flags2}, {"wpredp", p.wpredp},
  };
  for (const auto& [key, value] : options)
    if (value) o.SetAdvancedOption(QLatin1String(key), QLatin1String(value));
  return true;
}
