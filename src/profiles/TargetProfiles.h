#pragma once
// Fixed recipes for the disc and tape standards (VCD, SVCD, DVD, DV, DV50),
// where only the television system can be chosen, and for numbered image
// sequences. None of them is stored in Profiles.ini.

#include <cstdint>

#include "profiles/AVProfile.h"

enum class TAVTarget : uint8_t { pal, ntsc, film };
enum class TAVImageType : uint8_t { bitmap, jpeg, png, gif, tiff };

class TAVTargetProfile : public TAVProfile {
 public:
  explicit TAVTargetProfile(TComponent* AOwner = nullptr) : TAVProfile(AOwner) {}
  const char* ClassName() const override { return "TAVTargetProfile"; }

  TAVTarget Target() const { return FTarget; }
  void SetTarget(TAVTarget v) { FTarget = v; }

 protected:
  // pal takes the 625-line values, ntsc and film the 525-line ones.
  bool Is625Lines() const { return FTarget == TAVTarget::pal; }
  // The target's frame rate into the converter's options.
  void ApplyFrameRate(TAVConverter& Converter) const;

 private:
  TAVTarget FTarget = TAVTarget::pal;
};

class TAVVcdProfile : public TAVTargetProfile {
 public:
  explicit TAVVcdProfile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVVcdProfile"; }
  bool ApplyProfile(TAVConverter& Converter) override;
};

class TAVSVcdProfile : public TAVTargetProfile {
 public:
  explicit TAVSVcdProfile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVSVcdProfile"; }
  bool ApplyProfile(TAVConverter& Converter) override;
};

class TAVDvdProfile : public TAVTargetProfile {
 public:
  explicit TAVDvdProfile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVDvdProfile"; }
  bool ApplyProfile(TAVConverter& Converter) override;
};

class TAVDvProfile : public TAVTargetProfile {
 public:
  explicit TAVDvProfile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVDvProfile"; }
  bool ApplyProfile(TAVConverter& Converter) override;
};

class TAVDv50Profile : public TAVTargetProfile {
 public:
  explicit TAVDv50Profile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVDv50Profile"; }
  bool ApplyProfile(TAVConverter& Converter) override;
};

class TAVImageProfile : public TAVProfile {
 public:
  explicit TAVImageProfile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVImageProfile"; }

  // Stored only: the picture format follows from the numbered file pattern.
  TAVImageType ImageType() const { return FImageType; }
  void SetImageType(TAVImageType v) { FImageType = v; }

  // One thread; nothing else.
  bool ApplyProfile(TAVConverter& Converter) override;

 private:
  TAVImageType FImageType = TAVImageType::bitmap;
};
