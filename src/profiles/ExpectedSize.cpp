#include "profiles/ExpectedSize.h"

#include "profiles/CustomProfiles.h"
#include "profiles/ModernProfiles.h"

std::optional<int64_t> ExpectedFileSize(const TAVProfile& Profile, double Seconds) {
  if (Seconds <= 0) return std::nullopt;
  auto bytes = [Seconds](double kbits) { return static_cast<int64_t>(kbits * 1000.0 / 8.0 * Seconds); };
  if (const auto* video = dynamic_cast<const TAVCustomVideoProfile*>(&Profile)) {
    if (video->TargetSize() > 0) return static_cast<int64_t>(video->TargetSize() * 1000000.0);
    return bytes(video->VideoBitrate() + video->AudioBitrate());
  }
  if (const auto* audio = dynamic_cast<const TAVCustomAudioProfile*>(&Profile)) return bytes(audio->AudioBitrate());
  if (const auto* modern = dynamic_cast<const TAVModernProfile*>(&Profile)) {
    const TModernRecipe& r = modern->Recipe();
    if (r.video == TModernVideo::None && r.audioKbits > 0) return bytes(r.audioKbits);
  }
  return std::nullopt;
}
