#pragma once
// Video encoders of graphics hardware (VAAPI, NVENC, Quick Sync). The media
// library names them whether or not the machine has such a device, so an
// encoder counts as present only once it has been opened on this machine:
// the probe runs once per process, on first use.

#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

struct AVCodec;

namespace engine {

enum class THardwareApi : uint8_t { VAAPI, NVENC, QSV };
enum class TVideoFamily : uint8_t { H264, HEVC, AV1 };

struct THardwareEncoder {
  THardwareApi api;
  TVideoFamily family;
  const char* name;  // the library's encoder name, "hevc_vaapi" …
};

// Every hardware encoder the library may offer, present or not.
const std::vector<THardwareEncoder>& KnownHardwareEncoders();

// The library's name of the api's encoder for family; nullptr when it has none.
const char* HardwareEncoderName(THardwareApi api, TVideoFamily family);

// Short name of the api for captions and logs ("VAAPI", "NVENC", "QSV").
const char* HardwareApiName(THardwareApi api);

// Encoder options (name=value lines) asking the api's encoder for constant
// quality at the software encoder's quality value (a CRF or a QP).
QStringList HardwareQualityOptions(THardwareApi api, int quality);

// The known encoders that opens accepts, in the known order. The library's
// own test is OpensOnThisMachine; tests give one of their own.
std::vector<THardwareEncoder> ProbeHardwareEncoders(
    const std::function<bool(const AVCodec* encoder, THardwareApi api)>& opens);

// True when the encoder opens with a small picture on this machine's device.
bool OpensOnThisMachine(const AVCodec* encoder, THardwareApi api);

// The encoders that opened here; probed once per process.
const std::vector<THardwareEncoder>& AvailableHardwareEncoders();

// True when the encoder takes pictures in a device's memory only (VAAPI): the
// filter chain then ends with an upload.
bool TakesDeviceFrames(const AVCodec* encoder);

}  // namespace engine
