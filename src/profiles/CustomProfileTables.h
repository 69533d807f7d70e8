#pragma once
// The choices of the custom profiles and what each one means to the engine:
// encoders, channel layouts, containers, frame rates, aspect ratios and the
// frame-size table the profile editor offers.

#include <QString>
#include <array>
#include <cstdint>

// Values after the described ones (OPUS, FLAC; HEVC, AV1, VP9; F_MKV) are
// today's encoders and containers, appended so that stored ordinals keep
// their meaning.
enum class TCustomAudioEncoder : uint8_t { AAC, WMAV2, AC3, MP2, MP3, PCM_S16LE, RA1, AMR_NB, OPUS, FLAC };
enum class TCustomAudioChannels : uint8_t { mono1, stereo2 };
enum TCustomAVFormat : uint8_t {
  F_NONE, F_RM, F_MP4, F_ASF, F_AVI, F_3GP, F_3GP2, F_FLV, F_MOV,
  F_PSP, F_IPOD, F_SVCD, F_VCD, F_VOB, F_DVD, F_WEBM, F_AC3, F_MKV
};
enum class TCustomVideoEncoder : uint8_t { H263, H264, MPEG4, WMV2, MPEG2VIDEO, MSMPEGV3, RV20, XVID, FLV, HEVC, AV1, VP9 };
enum TCustomFrameRate : uint8_t { rOriginal, r1499, r20, r2397, r24, r25, r2997, r30 };
enum TAVAspectRatio : uint8_t { AR_NONE, AR4_3 };
enum TAVFrameSize : uint8_t {
  fsOriginal, fsNtsc, fsPal, fsQntsc, fsIPaq, fsPsp, fsSpal, fsIPhoneWide, fsIPhone, fsSqcif,
  fsQcif, fsCif, fs4cif, fs16cif, fsQqvga, fsQvga, fsVga, fsSvga, fsXga, fsUxga,
  fsQxga, fsSxga, fsQsxga, fsHsxga, fsWvga, fsWxga, fsWsxga, fsWuxga, fsWoxga, fsWqsxga,
  fsWquxga, fsWhsxga, fsWhuxga, fsCga, fsEga, fsHd480, fsHd720, fsHd1080, fsMceHd
};

struct TAudioEncoderInfo {
  const char* codecName;    // the engine's encoder name
  const char* displayName;
};
struct TAudioChannelsInfo {
  int channels;
  const char* displayName;
};
struct TFormatInfo {
  const char* formatName;   // the engine's output format; nullptr: leave it alone
  const char* displayName;
};
struct TVideoEncoderInfo {
  const char* codecName;
  const char* displayName;
  bool singleThread;        // the encoder is run with one thread
};
struct TFrameRateInfo {
  int num;                  // 0: keep the source's rate
  int den;
  const char* label;
};
struct TFrameSize {
  const char* strSize;
  int FrameWidth;
  int FrameHeight;
};

inline constexpr std::array<TAudioEncoderInfo, 10> AudioEncoderTable{{
    {"libfaac", "AAC"},
    {"wmav2", "WMAV2"},
    {"ac3", "AC3"},
    {"mp2", "MP2"},
    {"libmp3lame", "MP3"},
    {"pcm_s16le", "PCM_S16LE"},
    {"real_144", "RA1"},
    {"libopencore_amrnb", "AMR_NB"},
    {"libopus", "OPUS"},
    {"flac", "FLAC"},
}};

inline constexpr std::array<TAudioChannelsInfo, 2> AudioChannelsTable{{{1, "mono"}, {2, "stereo"}}};

inline constexpr std::array<TFormatInfo, 18> FormatTable{{
    {nullptr, "NONE"}, {"rm", "RM"},     {"mp4", "MP4"},   {"asf", "ASF"},   {"avi", "AVI"},   {"3gp", "3GP"},
    {"3g2", "3GP2"},   {"flv", "FLV"},   {"mov", "MOV"},   {"psp", "PSP"},   {"ipod", "IPOD"}, {"svcd", "SVCD"},
    {"vcd", "VCD"},    {"vob", "VOB"},   {"dvd", "DVD"},   {"webm", "WEBM"}, {"ac3", "AC3"},   {"matroska", "MKV"},
}};

inline constexpr std::array<TVideoEncoderInfo, 12> VideoEncoderTable{{
    {"h263", "H263", true},
    {"libx264", "H264", false},
    {"mpeg4", "MPEG4", false},
    {"wmv2", "WMV2", true},
    {"mpeg2video", "MPEG2VIDEO", false},
    {"msmpeg4", "MSMPEGV3", false},
    {"rv20", "RV20", true},
    {"libxvid", "XVID", false},
    {"flv", "FLV", true},
    {"libx265", "HEVC", false},
    {"libsvtav1", "AV1", false},
    {"libvpx-vp9", "VP9", false},
}};

inline constexpr std::array<TFrameRateInfo, 8> FrameRateTable{{
    {0, 0, "Original"},
    {15000, 1001, "14.99"},
    {20, 1, "20"},
    {24000, 1001, "23.97"},
    {24, 1, "24"},
    {25, 1, "25"},
    {30000, 1001, "29.97"},
    {30, 1, "30"},
}};

inline constexpr std::array<TFrameSize, 39> FrameSizeTable{{
    {"Original", 0, 0},
    {"ntsc(720x480)", 720, 480},
    {"pal(720x576)", 720, 576},
    {"352x240", 352, 240},
    {"240x240", 240, 240},
    {"368x208", 368, 208},
    {"spal(768x576)", 768, 576},
    {"720x406", 720, 406},
    {"480x320", 480, 320},
    {"sqcif(128x96)", 128, 96},
    {"qcif(176x144)", 176, 144},
    {"cif(352x288)", 352, 288},
    {"4cif(704x576)", 704, 576},
    {"16cif(1408x1152)", 1408, 1152},
    {"qqvga(160x120)", 160, 120},
    {"qvga(320x240)", 320, 240},
    {"vga(640x480)", 640, 480},
    {"svga(800x600)", 800, 600},
    {"xga(1024x768)", 1024, 768},
    {"uxga(1600x1200)", 1600, 1200},
    {"qxga(2048x1536)", 2048, 1536},
    {"sxga(1280x1024)", 1280, 1024},
    {"qsxga(2560x2048)", 2560, 2048},
    {"hsxga(5120x4096)", 5120, 4096},
    {"wvga(852x480)", 852, 480},
    {"wxga(1366x768)", 1366, 768},
    {"wsxga(1600x1024)", 1600, 1024},
    {"wuxga(1920x1200)", 1920, 1200},
    {"woxga(2560x1600)", 2560, 1600},
    {"wqsxga(3200x2048)", 3200, 2048},
    {"wquxga(3840x2400)", 3840, 2400},
    {"whsxga(6400x4096)", 6400, 4096},
    {"whuxga(7680x4800)", 7680, 4800},
    {"cga(320x200)", 320, 200},
    {"ega(640x350)", 640, 350},
    {"hd480(852x480)", 852, 480},
    {"hd720(1280x720)", 1280, 720},
    {"hd1080(1920x1080)", 1920, 1080},
    {"1440x1080", 1440, 1080},
}};

// The display aspect ratio AR4_3 stands for, as the engine's single-precision value.
inline constexpr float AspectRatio4x3 = 4.0f / 3.0f;

// Whether an ordinal lies inside its table.
template <typename Table, typename Enum>
constexpr bool InTable(const Table& table, Enum value) {
  return static_cast<size_t>(value) < table.size();
}

// The table row of an ordinal; nullptr outside the table.
template <typename Table, typename Enum>
constexpr const typename Table::value_type* RowOf(const Table& table, Enum value) {
  return InTable(table, value) ? &table[static_cast<size_t>(value)] : nullptr;
}

// The first frame-size row of width x height, fsOriginal when none matches.
TAVFrameSize FrameSizeOf(int width, int height);
