#pragma once
// What a source's pictures are: how they were scanned (progressive or in two
// fields, and which field first), their colour (primaries, transfer, matrix,
// range) and, for HDR, the mastering display and content light levels.
//
// The container's and decoder's flags say it first. Many files say
// "progressive" about interlaced pictures, or nothing at all, so a few
// pictures at spread positions can also be decoded and looked at for combing:
// where enough of them move, their figures decide.

#include <QString>
#include <optional>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/pixfmt.h>
}

namespace engine {

enum class TFieldOrder { Unknown, Progressive, TopFirst, BottomFirst };
enum class THdrKind { None, PQ, HLG };

struct TColourTags {
  AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
  AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
  AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
  AVColorRange range = AVCOL_RANGE_UNSPECIFIED;

  bool operator==(const TColourTags&) const = default;
};

// What sampled pictures showed: how many moved against the picture before,
// how many of those were combed (lines alternating between two moments), and
// which field the library's detector (idet) found first.
struct TCombFigures {
  int pictures = 0, moving = 0, combed = 0;
  int topFirst = 0, bottomFirst = 0;
};

struct TSourcePictures {
  int width = 0, height = 0;
  int pix_fmt = -1;
  TFieldOrder flagged = TFieldOrder::Unknown;  // what the container and decoder say
  // The decoded pictures carry their field flags themselves (true until
  // sampling finds otherwise: decoders of interlaced codecs set them).
  bool picturesFlagFields = true;
  std::optional<TCombFigures> comb;            // the figures of sampled pictures
  TColourTags colour;
  std::optional<AVMasteringDisplayMetadata> mastering;
  std::optional<AVContentLightMetadata> light;

  // The scan the pictures really have: the sampled figures where enough
  // pictures moved, the flags otherwise.
  TFieldOrder Scan() const;
  bool Interlaced() const { return Scan() == TFieldOrder::TopFirst || Scan() == TFieldOrder::BottomFirst; }
  THdrKind Hdr() const;
  // Full-range pictures: a JPEG pixel format, or the range tag.
  bool FullRange() const;
  // High definition by size: 1280 wide or 720 lines and more.
  bool HighDefinition() const { return width >= 1280 || height >= 720; }
};

// What the stream's parameters and side data say.
TSourcePictures DescribeVideoStream(const AVStream* st);

// JPEG's full-range YUV pixel formats.
bool IsJpegPixelFormat(int pix_fmt);

// Whether one picture of 8-bit YUV shows combing (its lines alternating
// between two moments); false for pictures of other formats.
bool LooksCombed(const AVFrame* picture);

// What the picture itself says where the facts lack it: colour tags and HDR levels.
void TakePictureTags(const AVFrame* picture, TSourcePictures& facts);

// Decodes a few pictures of stream streamIndex of the file name at spread
// positions (known: the stream's parameters, when probed already) and adds
// what they show: the comb figures, field flags and
// colour tags the stream's parameters lack, HDR metadata carried only in the
// pictures. Leaves facts as they are when the file cannot be read.
void SamplePictures(const QString& name, int streamIndex, TSourcePictures& facts, int decoderThreads,
                    const AVCodecParameters* known = nullptr);

}  // namespace engine
