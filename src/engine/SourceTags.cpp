#include "engine/SourceTags.h"

#include <QByteArray>
#include <cstring>
#include <memory>
#include <utility>

#include "engine/LibraryError.h"
#include "media/LibraryPtrs.h"

namespace engine {

namespace {

// Tags that describe the source file's making rather than its content: the
// target is made anew and says its own.
bool TellsOfTheSourceFile(const char* key) {
  static const char* const made[] = {
      "major_brand", "minor_version", "compatible_brands", "encoder", "encoder_options", "duration",
      "company_name", "product_name", "product_version", "itunsmpb", "itunnorm", "wmfsdkversion", "wmfsdkneeded",
      "isvbr", "deviceconformancetemplate", "handler_name", "vendor_id", "language", "bps"};
  const QByteArray k = QByteArray(key).toLower();
  if (k.startsWith("_statistics") || k.startsWith("number_of_")) return true;
  for (const char* m : made)
    if (k == m) return true;
  return false;
}

enum class TCoverWay { None, Picture, Attachment };

TCoverWay CoverWayOf(const AVOutputFormat* f) {
  for (const char* name : {"mp3", "mp4", "ipod", "flac"})
    if (qstrcmp(f->name, name) == 0) return TCoverWay::Picture;
  if (qstrcmp(f->name, "matroska") == 0) return TCoverWay::Attachment;
  return TCoverWay::None;
}

struct TParametersDeleter {
  void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
};
using TParametersPtr = std::unique_ptr<AVCodecParameters, TParametersDeleter>;

// What the output's stream of a cover is made of, made before the stream so
// that a failure leaves no half-made stream in the file.
struct TCoverStream {
  TParametersPtr parameters{avcodec_parameters_alloc()};
  media::Dictionary metadata;
  int disposition = 0;
};

bool MakeAttachment(TCoverStream& made, const AVStream* cover) {
  const bool png = cover->codecpar->codec_id == AV_CODEC_ID_PNG;
  const AVPacket& picture = cover->attached_pic;
  AVCodecParameters* p = made.parameters.get();
  if (!p) return false;
  p->codec_type = AVMEDIA_TYPE_ATTACHMENT;
  p->codec_id = cover->codecpar->codec_id;
  p->extradata = static_cast<uint8_t*>(av_mallocz(picture.size + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!p->extradata) return false;
  std::memcpy(p->extradata, picture.data, picture.size);
  p->extradata_size = picture.size;
  // A player takes the attachment named "cover" for the cover.
  made.metadata.Set("filename", png ? "cover.png" : "cover.jpg");
  made.metadata.Set("mimetype", png ? "image/png" : "image/jpeg");
  return true;
}

bool MakePictureStream(TCoverStream& made, const AVStream* cover) {
  if (!made.parameters || avcodec_parameters_copy(made.parameters.get(), cover->codecpar) < 0) return false;
  made.parameters->codec_tag = 0;
  made.disposition = AV_DISPOSITION_ATTACHED_PIC;
  // The title and the picture type ("Cover (front)").
  return av_dict_copy(made.metadata.Ref(), cover->metadata, 0) >= 0;
}

AVStream* AddStream(AVFormatContext* oc, TCoverStream& made) {
  AVStream* st = avformat_new_stream(oc, nullptr);
  if (!st) return nullptr;
  avcodec_parameters_free(&st->codecpar);
  st->codecpar = made.parameters.release();
  st->id = st->index;
  st->disposition = made.disposition;
  st->time_base = AVRational{1, 90000};
  std::swap(st->metadata, *made.metadata.Ref());
  return st;
}

}  // namespace

void CopySourceTags(AVDictionary** target, const AVDictionary* source) {
  const AVDictionaryEntry* e = nullptr;
  while ((e = av_dict_get(source, "", e, AV_DICT_IGNORE_SUFFIX)))
    if (!TellsOfTheSourceFile(e->key)) av_dict_set(target, e->key, e->value, AV_DICT_DONT_OVERWRITE);
}

bool IsCover(const AVStream* st) {
  return (st->disposition & AV_DISPOSITION_ATTACHED_PIC) && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
}

std::vector<TCoverArt> AddCoverStreams(AVFormatContext* oc, const std::vector<const AVFormatContext*>& inputs,
                                       const std::function<void(const QString&)>& note) {
  std::vector<TCoverArt> covers;
  const TCoverWay way = CoverWayOf(oc->oformat);
  for (const AVFormatContext* ic : inputs) {
    for (unsigned s = 0; s < ic->nb_streams; ++s) {
      const AVStream* cover = ic->streams[s];
      if (!IsCover(cover) || cover->attached_pic.size <= 0) continue;
      const AVCodecID codec = cover->codecpar->codec_id;
      if (way == TCoverWay::None || (codec != AV_CODEC_ID_MJPEG && codec != AV_CODEC_ID_PNG)) {
        note(QStringLiteral("Cover picture left out: %1 files do not keep it").arg(QLatin1String(oc->oformat->name)));
        continue;
      }
      TCoverStream made;
      const bool ready = way == TCoverWay::Attachment ? MakeAttachment(made, cover) : MakePictureStream(made, cover);
      AVStream* st = ready ? AddStream(oc, made) : nullptr;
      if (!st) {
        note(QStringLiteral("Cover picture left out: %1").arg(LibraryErrorText(AVERROR(ENOMEM))));
        continue;
      }
      if (way == TCoverWay::Picture) covers.push_back(TCoverArt{st, &cover->attached_pic});
    }
  }
  return covers;
}

void WriteCovers(AVFormatContext* oc, const std::vector<TCoverArt>& covers,
                 const std::function<void(const QString&)>& note) {
  for (const TCoverArt& cover : covers) {
    media::PacketPtr pkt(av_packet_clone(cover.picture));
    int r = pkt ? 0 : AVERROR(ENOMEM);
    if (pkt) {
      pkt->stream_index = cover.out->index;
      pkt->pts = pkt->dts = 0;
      pkt->duration = 0;
      pkt->flags |= AV_PKT_FLAG_KEY;
      r = av_interleaved_write_frame(oc, pkt.get());
    }
    if (r < 0) note(QStringLiteral("Cover picture left out: %1").arg(LibraryErrorText(r)));
  }
}

}  // namespace engine
