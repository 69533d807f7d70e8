#pragma once
// Encoder tuning for the x264 H.264 encoder as eleven named presets. Applying
// the profile sets only encoder options; the custom video profiles use it with
// the basic preset for every H.264 target.

#include <cstdint>

#include "profiles/AVProfile.h"

enum class TPreset : uint8_t {
  basic, FastFirstPass, SlowFirstPass, Common, HighQuality, Best,
  LosslessFast, LosslessMedium, LosslessSlow, LosslessSlower, LosslessMax
};

class TAVX264Profile : public TAVProfile {
 public:
  explicit TAVX264Profile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVX264Profile"; }

  TPreset preset() const { return Fpreset; }
  void Setpreset(TPreset v) { Fpreset = v; }

  // The preset's options through SetAdvancedOption, in a fixed order; a
  // preset outside the table sets nothing.
  bool ApplyProfile(TAVConverter& Converter) override;

 private:
  TPreset Fpreset = TPreset::basic;
};
