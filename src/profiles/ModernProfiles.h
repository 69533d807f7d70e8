#pragma once
// Today's targets beside the described catalogue: a file that plays
// everywhere (H.264 and AAC in MP4), smaller files (HEVC, AV1), the web (VP9
// and Opus in WebM), audio (Opus, FLAC, MP3 at 320 kbit/s) and an animated
// GIF. They ask for a quality rather than a bitrate where the codec allows.
// Like the target profiles they are fixed recipes: not in Profiles.ini, not
// editable, and kept when the file replaces the custom profiles.

#include <QStringList>
#include <cstdint>
#include <optional>

#include "engine/HardwareEncoders.h"
#include "profiles/AVProfile.h"

class TAVConvertOptions;

enum class TModernVideo : uint8_t { None, H264, HEVC, AV1, VP9, GIF };
enum class TModernAudio : uint8_t { None, AAC, Opus, FLAC, MP3 };

// One row of the catalogue of today's targets.
struct TModernRecipe {
  const char* name;         // component name
  const char* description;  // the caption the wizard shows
  const char* extension;
  const char* format;       // the muxer
  TModernVideo video;
  int quality;              // CRF (x264, x265, SVT-AV1, VP9); unused otherwise
  int maxHeight;            // 0: the source's size
  TModernAudio audio;
  int audioKbits;           // 0: lossless or none
  bool hardware;            // offered again for each hardware encoder of its codec
};

class TAVModernProfile : public TAVProfile {
 public:
  explicit TAVModernProfile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVModernProfile"; }

  const TModernRecipe& Recipe() const { return FRecipe; }
  void SetRecipe(const TModernRecipe& v) { FRecipe = v; }
  // The hardware encoder used instead of the software one; none by default.
  const std::optional<engine::THardwareApi>& Hardware() const { return FHardware; }
  void SetHardware(std::optional<engine::THardwareApi> v) { FHardware = v; }

  bool ApplyProfile(TAVConverter& Converter) override;
  // The target can carry HDR as well as SDR: 10-bit HEVC or AV1 of a software encoder.
  bool CanKeepHdr() const;

 private:
  void ApplyVideo(TAVConvertOptions& o) const;
  void ApplyAudio(TAVConvertOptions& o) const;

  TModernRecipe FRecipe{};
  std::optional<engine::THardwareApi> FHardware;
};

// The name of the category of today's targets.
QString ModernCategory();

// The recipes in catalogue order.
const std::vector<TModernRecipe>& ModernRecipes();

// Appends the category and today's profiles after the described catalogue:
// the recipes, then a variant of each hardware-capable recipe for every
// hardware encoder of its codec that opens on this machine.
void CreateModernProfiles(TAVProfileList& List, TComponent* Owner,
                          const std::vector<engine::THardwareEncoder>& hardware = engine::AvailableHardwareEncoders());
