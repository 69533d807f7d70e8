#include "engine/PicturePlan.h"

#include <algorithm>
#include <cmath>
#include <iterator>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/pixdesc.h>
}

namespace engine {

namespace {

// Diffuse white of HDR pictures in cd/m² (ITU-R BT.2408): it becomes SDR's white.
constexpr double ReferenceWhite = 203.0;
// The brightest light assumed when an HDR source names none.
constexpr double AssumedPeak = 1000.0;

enum class TDefinition { Standard625, Standard525, High, Wide };

bool IsRgb(int pix_fmt) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pix_fmt));
  return d && (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL));
}

bool StandardMatrix(AVColorSpace m) { return m == AVCOL_SPC_BT470BG || m == AVCOL_SPC_SMPTE170M; }

// The format the converted pictures are handed on in: the encoder's, or 4:2:0
// for an encoder of device frames, whose upload comes at the end.
QByteArray HandedOnFormat(int pix_fmt) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pix_fmt));
  if (!d || (d->flags & AV_PIX_FMT_FLAG_HWACCEL)) return "yuv420p";
  return d->name;
}


// The definition a source's tags point to, or its size when they say nothing.
TDefinition DefinitionOf(const TSourcePictures& s) {
  const TColourTags& c = s.colour;
  if (s.Hdr() != THdrKind::None || c.primaries == AVCOL_PRI_BT2020 || c.matrix == AVCOL_SPC_BT2020_NCL ||
      c.matrix == AVCOL_SPC_BT2020_CL)
    return TDefinition::Wide;
  if (c.matrix == AVCOL_SPC_BT709 || c.primaries == AVCOL_PRI_BT709) return TDefinition::High;
  if (c.matrix == AVCOL_SPC_BT470BG || c.primaries == AVCOL_PRI_BT470BG) return TDefinition::Standard625;
  if (c.matrix == AVCOL_SPC_SMPTE170M || c.primaries == AVCOL_PRI_SMPTE170M) return TDefinition::Standard525;
  if (s.HighDefinition()) return TDefinition::High;
  return s.height > 480 ? TDefinition::Standard625 : TDefinition::Standard525;
}

TColourTags TagsOf(TDefinition d) {
  switch (d) {
    case TDefinition::Wide: return {AVCOL_PRI_BT2020, AVCOL_TRC_BT709, AVCOL_SPC_BT2020_NCL, AVCOL_RANGE_MPEG};
    case TDefinition::High: return {AVCOL_PRI_BT709, AVCOL_TRC_BT709, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG};
    case TDefinition::Standard625:
      return {AVCOL_PRI_BT470BG, AVCOL_TRC_SMPTE170M, AVCOL_SPC_BT470BG, AVCOL_RANGE_MPEG};
    case TDefinition::Standard525:
      break;
  }
  return {AVCOL_PRI_SMPTE170M, AVCOL_TRC_SMPTE170M, AVCOL_SPC_SMPTE170M, AVCOL_RANGE_MPEG};
}

// The matrix name the scaler understands.
QByteArray ScalerMatrix(AVColorSpace m) {
  switch (m) {
    case AVCOL_SPC_BT709: return "bt709";
    case AVCOL_SPC_BT2020_NCL: case AVCOL_SPC_BT2020_CL: return "bt2020";
    case AVCOL_SPC_SMPTE240M: return "smpte240m";
    case AVCOL_SPC_FCC: return "fcc";
    default: return "bt601";
  }
}

QByteArray RangeName(AVColorRange r) { return r == AVCOL_RANGE_JPEG ? "pc" : "tv"; }

// The converted pictures handed on in the target's format and tagged with
// what they now are.
void PlanConvertedTags(const TColourTags& out, const TTargetPictures& target, TPicturePlan& plan) {
  // A JPEG format would have the next scaler take them for full range again.
  plan.afterCrop.push_back("format=" + HandedOnFormat(target.pix_fmt));
  plan.afterCrop.push_back("setparams=range=" + RangeName(out.range) + ":colorspace=" + MatrixName(out.matrix));
}

void PlanDeinterlace(const TSourcePictures& source, const TTargetPictures& target, TPicturePlan& plan) {
  if (target.forceYadif) {
    plan.beforeCrop.push_back("yadif");
    plan.deinterlaced = true;
    return;
  }
  if (target.deinterlace == TDeinterlaceMode::Off) return;
  const TFieldOrder scan = source.Scan();
  const bool interlaced = source.Interlaced();
  if (target.deinterlace == TDeinterlaceMode::Automatic && !interlaced) return;
  if (target.encodesFields) {
    if (interlaced) plan.notes << QStringLiteral("Interlaced pictures: the target codes the fields, they are kept");
    return;
  }
  // Where the pictures themselves flag their fields truly, each picture's own
  // flag leads; where the flags lie, are missing or are the container's only,
  // the order found does.
  QByteArray parity = "auto";
  if (interlaced && (scan != source.flagged || !source.picturesFlagFields))
    parity = scan == TFieldOrder::TopFirst ? "tff" : "bff";
  plan.beforeCrop.push_back("bwdif=mode=send_frame:parity=" + parity + ":deint=all");
  plan.deinterlaced = true;
  QString why = interlaced ? (scan == TFieldOrder::TopFirst ? QStringLiteral("interlaced, top field first")
                                                            : QStringLiteral("interlaced, bottom field first"))
                           : QStringLiteral("deinterlacing asked for every source");
  if (source.comb && source.comb->moving > 0)
    why += QStringLiteral("; %1 of %2 sampled moving pictures combed").arg(source.comb->combed).arg(source.comb->moving);
  plan.notes << QStringLiteral("Pictures deinterlaced (%1)").arg(why);
}

// The colorspace filter's name of a pixel format it can put out; empty for others.
QByteArray ColourspaceFormat(int pix_fmt) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pix_fmt));
  if (d && (d->flags & AV_PIX_FMT_FLAG_HWACCEL)) return "yuv420p";  // uploaded as 4:2:0 at the end
  switch (pix_fmt) {
    case AV_PIX_FMT_YUV420P: return "yuv420p";
    case AV_PIX_FMT_YUV422P: return "yuv422p";
    case AV_PIX_FMT_YUV444P: return "yuv444p";
    case AV_PIX_FMT_YUV420P10: return "yuv420p10";
    case AV_PIX_FMT_YUV422P10: return "yuv422p10";
    case AV_PIX_FMT_YUV444P10: return "yuv444p10";
    default: return {};
  }
}

// The colorspace filter converting the matrix and range of YUV pictures
// directly, without the scaler's round trip through RGB; empty where it does
// not know the tags.
QByteArray ColourspaceFilter(const TColourTags& in, const TColourTags& out, const TTargetPictures& target) {
  static const AVColorSpace matrices[] = {AVCOL_SPC_BT709, AVCOL_SPC_FCC, AVCOL_SPC_BT470BG, AVCOL_SPC_SMPTE170M,
                                          AVCOL_SPC_SMPTE240M, AVCOL_SPC_BT2020_NCL};
  static const AVColorTransferCharacteristic transfers[] = {
      AVCOL_TRC_BT709,  AVCOL_TRC_GAMMA22,      AVCOL_TRC_GAMMA28,      AVCOL_TRC_SMPTE170M, AVCOL_TRC_SMPTE240M,
      AVCOL_TRC_LINEAR, AVCOL_TRC_IEC61966_2_1, AVCOL_TRC_IEC61966_2_4, AVCOL_TRC_BT2020_10, AVCOL_TRC_BT2020_12};
  static const AVColorPrimaries primaries[] = {
      AVCOL_PRI_BT709,    AVCOL_PRI_BT470M,   AVCOL_PRI_BT470BG,  AVCOL_PRI_SMPTE170M, AVCOL_PRI_SMPTE240M,
      AVCOL_PRI_FILM,     AVCOL_PRI_BT2020,   AVCOL_PRI_SMPTE428, AVCOL_PRI_SMPTE431,  AVCOL_PRI_SMPTE432,
      AVCOL_PRI_JEDEC_P22, AVCOL_PRI_EBU3213};
  auto known = [](const auto& list, auto value) { return std::find(std::begin(list), std::end(list), value) != std::end(list); };
  if (!known(matrices, in.matrix) || !known(matrices, out.matrix) || !known(transfers, in.transfer) ||
      !known(primaries, in.primaries))
    return {};
  // The light stays as it was (fast: no primaries or transfer of its own).
  QByteArray args = "colorspace=space=" + MatrixName(out.matrix) + ":trc=" + TransferName(in.transfer) +
                    ":primaries=" + PrimariesName(in.primaries) + ":range=" + RangeName(out.range) + ":fast=1";
  if (const QByteArray format = ColourspaceFormat(target.pix_fmt); !format.isEmpty()) args += ":format=" + format;
  return args;
}

// Tags the pictures with what the source is taken to have, where it said nothing.
void PlanAssumedTags(const TSourcePictures& source, const TColourTags& assumed, TPicturePlan& plan) {
  if (source.colour == assumed) return;
  QByteArray args = "range=" + RangeName(assumed.range);
  if (source.colour.primaries != assumed.primaries) args += ":color_primaries=" + PrimariesName(assumed.primaries);
  if (source.colour.transfer != assumed.transfer) args += ":color_trc=" + TransferName(assumed.transfer);
  if (source.colour.matrix != assumed.matrix && assumed.matrix != AVCOL_SPC_RGB)
    args += ":colorspace=" + MatrixName(assumed.matrix);
  plan.beforeCrop.push_back("setparams=" + args);
}

void PlanSdrColour(const TSourcePictures& source, const TColourTags& in, const TTargetPictures& target,
                   TPicturePlan& plan) {
  const bool highTarget = target.width >= 1280 || target.height >= 720;
  TColourTags out = in;
  out.range = IsJpegPixelFormat(target.pix_fmt) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
  if (in.matrix == AVCOL_SPC_RGB) {
    // Pictures of red, green and blue get the matrix of the target's definition.
    out = TagsOf(highTarget ? TDefinition::High : (target.height > 480 ? TDefinition::Standard625
                                                                      : TDefinition::Standard525));
    out.range = IsJpegPixelFormat(target.pix_fmt) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    plan.output = out;
    plan.scaleColour = "out_color_matrix=" + ScalerMatrix(out.matrix) + ":out_range=" + RangeName(out.range);
    PlanConvertedTags(out, target, plan);
    return;
  }
  if (highTarget && StandardMatrix(in.matrix)) out.matrix = AVCOL_SPC_BT709;
  if (!highTarget && in.matrix == AVCOL_SPC_BT709)
    out.matrix = target.height > 480 ? AVCOL_SPC_BT470BG : AVCOL_SPC_SMPTE170M;
  plan.output = out;
  const bool matrixChanges = out.matrix != in.matrix;
  const bool rangeNarrows = in.range == AVCOL_RANGE_JPEG && out.range == AVCOL_RANGE_MPEG;
  if (!matrixChanges && !rangeNarrows) return;
  if (const QByteArray direct = ColourspaceFilter(in, out, target); !direct.isEmpty()) {
    // At the smaller of the two sizes: before the crop and scale when the target is larger.
    const bool grows = int64_t{target.width} * target.height > int64_t{source.width} * source.height;
    (grows ? plan.beforeCrop : plan.afterCrop).push_back(direct);
  } else {
    plan.scaleColour = "in_color_matrix=" + ScalerMatrix(in.matrix) + ":out_color_matrix=" +
                       ScalerMatrix(out.matrix) + ":in_range=" + RangeName(in.range) + ":out_range=" +
                       RangeName(out.range);
    PlanConvertedTags(out, target, plan);
  }
  if (matrixChanges)
    plan.notes << QStringLiteral("Colour matrix converted from %1 to %2")
                      .arg(QLatin1String(MatrixName(in.matrix)), QLatin1String(MatrixName(out.matrix)));
  if (rangeNarrows) plan.notes << QStringLiteral("Full-range pictures converted to limited range");
}

double PeakLight(const TSourcePictures& s) {
  if (s.light && s.light->MaxCLL > 0) return s.light->MaxCLL;
  if (s.mastering && s.mastering->has_luminance && s.mastering->max_luminance.den)
    return av_q2d(s.mastering->max_luminance);
  return AssumedPeak;
}

// A chromaticity or luminance in the unit x265 and SVT-AV1 count in.
int64_t Units(AVRational value, int perUnit) {
  return value.den ? std::llround(av_q2d(value) * perUnit) : 0;
}

}  // namespace

TColourTags AssumedColour(const TSourcePictures& source) {
  TColourTags tags = source.colour;
  if (IsRgb(source.pix_fmt)) {
    tags.matrix = AVCOL_SPC_RGB;
    tags.range = AVCOL_RANGE_JPEG;
  }
  const TColourTags typical = TagsOf(DefinitionOf(source));
  if (tags.primaries == AVCOL_PRI_UNSPECIFIED) tags.primaries = typical.primaries;
  if (tags.transfer == AVCOL_TRC_UNSPECIFIED) tags.transfer = typical.transfer;
  if (tags.matrix == AVCOL_SPC_UNSPECIFIED) tags.matrix = typical.matrix;
  if (tags.range == AVCOL_RANGE_UNSPECIFIED) tags.range = source.FullRange() ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
  return tags;
}

TPicturePlan PlanPictures(const TSourcePictures& source, const TTargetPictures& target) {
  TPicturePlan plan;
  PlanDeinterlace(source, target, plan);
  const TColourTags in = AssumedColour(source);
  PlanAssumedTags(source, in, plan);
  const bool rgbTarget = IsRgb(target.pix_fmt);
  if (source.Hdr() != THdrKind::None) {
    if (target.canKeepHdr && target.hdr == THdrOutput::Automatic && !rgbTarget) {
      plan.keepsHdr = true;
      plan.output = in;
      plan.output.range = AVCOL_RANGE_MPEG;
      plan.notes << QStringLiteral("HDR kept: 10-bit, %1, %2")
                        .arg(QLatin1String(TransferName(in.transfer)), QLatin1String(PrimariesName(in.primaries)));
      return plan;
    }
    if (!avfilter_get_by_name("zscale") || !avfilter_get_by_name("tonemap")) {
      plan.notes << QStringLiteral("HDR cannot be tone-mapped: the filter library lacks zscale or tonemap");
      return plan;
    }
    plan.toneMapped = true;
    plan.afterCrop = ToneMapFilters(source, target.width, target.height);
    if (!rgbTarget) plan.output = {AVCOL_PRI_BT709, AVCOL_TRC_BT709, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG};
    plan.notes << QStringLiteral("HDR (%1) tone-mapped to BT.709 SDR, peak %2 cd/m²")
                      .arg(QLatin1String(TransferName(in.transfer)))
                      .arg(std::lround(PeakLight(source)));
    return plan;
  }
  if (!rgbTarget) PlanSdrColour(source, in, target, plan);
  return plan;
}

std::vector<QByteArray> ToneMapFilters(const TSourcePictures& source, int width, int height) {
  const TColourTags in = AssumedColour(source);
  const double peak = std::max(1.0, PeakLight(source) / ReferenceWhite);
  const QByteArray size = "w=" + QByteArray::number(width) + ":h=" + QByteArray::number(height);
  // The scaler of zimg reads what the pictures say they are.
  return {
      "setparams=range=" + RangeName(in.range) + ":color_primaries=" + PrimariesName(in.primaries) +
          ":color_trc=" + TransferName(in.transfer) + ":colorspace=" + MatrixName(in.matrix),
      "zscale=" + size + ":t=linear:npl=" + QByteArray::number(ReferenceWhite),
      "format=gbrpf32le",
      "zscale=p=bt709",
      "tonemap=tonemap=mobius:param=0.6:desat=0:peak=" + QByteArray::number(peak, 'f', 3),
      "zscale=t=bt709:m=bt709:r=limited",
  };
}

QByteArray X265HdrParams(const TSourcePictures& s) {
  QByteArrayList params;
  if (s.mastering && s.mastering->has_primaries && s.mastering->has_luminance) {
    const AVMasteringDisplayMetadata& m = *s.mastering;
    // x265 orders the primaries green, blue, red; chromaticities in 1/50000, light in 1/10000 cd/m².
    params << QStringLiteral("master-display=G(%1,%2)B(%3,%4)R(%5,%6)WP(%7,%8)L(%9,%10)")
                  .arg(Units(m.display_primaries[1][0], 50000)).arg(Units(m.display_primaries[1][1], 50000))
                  .arg(Units(m.display_primaries[2][0], 50000)).arg(Units(m.display_primaries[2][1], 50000))
                  .arg(Units(m.display_primaries[0][0], 50000)).arg(Units(m.display_primaries[0][1], 50000))
                  .arg(Units(m.white_point[0], 50000)).arg(Units(m.white_point[1], 50000))
                  .arg(Units(m.max_luminance, 10000)).arg(Units(m.min_luminance, 10000))
                  .toLatin1();
  }
  if (s.light) params << "max-cll=" + QByteArray::number(s.light->MaxCLL) + "," + QByteArray::number(s.light->MaxFALL);
  if (!params.isEmpty()) params << "hdr10=1";
  return params.join(':');
}

QByteArray SvtAv1HdrParams(const TSourcePictures& s) {
  QByteArrayList params;
  if (s.mastering && s.mastering->has_primaries && s.mastering->has_luminance) {
    const AVMasteringDisplayMetadata& m = *s.mastering;
    auto xy = [](const AVRational* p) {
      return QStringLiteral("(%1,%2)").arg(av_q2d(p[0]), 0, 'f', 4).arg(av_q2d(p[1]), 0, 'f', 4);
    };
    params << (QStringLiteral("mastering-display=G") + xy(m.display_primaries[1]) + QStringLiteral("B") +
               xy(m.display_primaries[2]) + QStringLiteral("R") + xy(m.display_primaries[0]) + QStringLiteral("WP") +
               xy(m.white_point) +
               QStringLiteral("L(%1,%2)").arg(av_q2d(m.max_luminance), 0, 'f', 4).arg(av_q2d(m.min_luminance), 0, 'f', 4))
                  .toLatin1();
  }
  if (s.light)
    params << "content-light=" + QByteArray::number(s.light->MaxCLL) + "," + QByteArray::number(s.light->MaxFALL);
  return params.join(':');
}

QByteArray PrimariesName(AVColorPrimaries v) {
  const char* name = av_color_primaries_name(v);
  return name ? name : "unknown";
}

QByteArray TransferName(AVColorTransferCharacteristic v) {
  const char* name = av_color_transfer_name(v);
  return name ? name : "unknown";
}

QByteArray MatrixName(AVColorSpace v) {
  const char* name = av_color_space_name(v);
  return name ? name : "unknown";
}

}  // namespace engine
