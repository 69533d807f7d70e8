#pragma once
// What size a profile's file will have for a source of a given length: the
// size asked for, or the bitrates times the duration. A profile that asks for
// a quality instead has no size to expect.

#include <cstdint>
#include <optional>

class TAVProfile;

// Bytes, or none when the quality decides (or the profile is not known here).
std::optional<int64_t> ExpectedFileSize(const TAVProfile& Profile, double Seconds);
