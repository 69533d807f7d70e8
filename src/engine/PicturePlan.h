#pragma once
// What is done to a source's pictures so that they look right in the target:
// deinterlacing for a progressive target, tone mapping of HDR into SDR, the
// colour matrix between standard and high definition, full range into
// limited, and the colour tags the encoder writes. A plan is decided once per
// encoded video stream and turned into filters at the head of its chain.

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <vector>

#include "engine/SourcePictures.h"

namespace engine {

// The user's setting for deinterlacing: detect, never, or every source.
enum class TDeinterlaceMode { Automatic, Off, Always };
// Whether HDR stays HDR where the target can carry it.
enum class THdrOutput { Automatic, ToSdr };

// What the target takes.
struct TTargetPictures {
  int width = 0, height = 0;  // after crop and scale
  int pix_fmt = -1;           // the encoder's
  bool encodesFields = false;  // interlaced coding: the fields are kept
  bool forceYadif = false;     // the options' Deinterlace switch
  TDeinterlaceMode deinterlace = TDeinterlaceMode::Automatic;
  THdrOutput hdr = THdrOutput::Automatic;
  bool canKeepHdr = false;  // a 10-bit HEVC or AV1 encoder
};

struct TPicturePlan {
  // Filters in the library's syntax (name=args), in order: before the turn
  // upright and the crop, and after the crop's scale.
  std::vector<QByteArray> beforeCrop;
  std::vector<QByteArray> afterCrop;
  // What the scale after the crop converts besides the size ("in_color_matrix=…");
  // empty: it scales only, and only when the size changes.
  QByteArray scaleColour;
  bool deinterlaced = false;
  bool toneMapped = false;  // afterCrop sets the size: no scale of its own
  bool keepsHdr = false;
  TColourTags output;     // the encoder's tags; all unspecified for RGB targets
  QStringList notes;      // for the log: what was decided and why
};

// The plan for a source's pictures into a target.
TPicturePlan PlanPictures(const TSourcePictures& source, const TTargetPictures& target);

// The colour tags a source is taken to have: its own, and for what it leaves
// unspecified those of its definition (BT.709 for HD, BT.601 for SD, BT.2020
// for HDR) and limited range unless its format is a JPEG one.
TColourTags AssumedColour(const TSourcePictures& source);

// The tone-mapping filters from an HDR source into BT.709 SDR at width×height.
std::vector<QByteArray> ToneMapFilters(const TSourcePictures& source, int width, int height);

// HDR10 metadata as x265 ("master-display=…:max-cll=…") and SVT-AV1
// ("mastering-display=…:content-light=…") take it; empty without any.
QByteArray X265HdrParams(const TSourcePictures& source);
QByteArray SvtAv1HdrParams(const TSourcePictures& source);

// The library's names of tags, as filters and ffprobe write them.
QByteArray PrimariesName(AVColorPrimaries v);
QByteArray TransferName(AVColorTransferCharacteristic v);
QByteArray MatrixName(AVColorSpace v);

}  // namespace engine
