#include "media/StreamInput.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <map>
#include <mutex>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace media {

namespace {

const QRegularExpression& NamePattern() {
  static const QRegularExpression pattern(QStringLiteral("^stream:(\\d+)(\\.[^./]*)?$"));
  return pattern;
}

// Registered objects that no input has opened yet. Numbers start at a random
// point so that a name stored by an earlier run is very unlikely to meet a
// live object of this one.
class TStreamRegistry {
 public:
  int Add(std::unique_ptr<TByteStream> stream) {
    std::lock_guard guard(FLock);
    while (FNext <= 0 || FStreams.count(FNext)) FNext = FNext <= 0 ? 1 : FNext + 1;
    const int number = FNext++;
    FStreams.emplace(number, std::move(stream));
    return number;
  }
  std::unique_ptr<TByteStream> Take(int number) {
    std::lock_guard guard(FLock);
    auto it = FStreams.find(number);
    if (it == FStreams.end()) return nullptr;
    std::unique_ptr<TByteStream> stream = std::move(it->second);
    FStreams.erase(it);
    return stream;
  }

 private:
  std::mutex FLock;
  std::map<int, std::unique_ptr<TByteStream>> FStreams;
  int FNext = static_cast<int>(QRandomGenerator::system()->bounded(1, 1 << 30));
};

TStreamRegistry& Registry() {
  static TStreamRegistry registry;
  return registry;
}

// The opaque value of an opened stream's I/O context.
struct TOpenedStream {
  std::unique_ptr<TByteStream> stream;
};

// Library callbacks: C frames lie between them and the demuxer, so nothing
// may be thrown through them.
int ReadPacket(void* opaque, uint8_t* buf, int size) {
  try {
    const int n = static_cast<TOpenedStream*>(opaque)->stream->Read(buf, size);
    if (n == 0) return AVERROR_EOF;
    return n < 0 ? AVERROR(EIO) : n;
  } catch (...) {
    return AVERROR(EIO);
  }
}

int64_t SeekPacket(void* opaque, int64_t offset, int whence) {
  TByteStream& stream = *static_cast<TOpenedStream*>(opaque)->stream;
  try {
    if (whence & AVSEEK_SIZE) return stream.Size();
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET: return stream.Seek(offset, soBeginning);
      case SEEK_CUR: return stream.Seek(offset, soCurrent);
      case SEEK_END: return stream.Seek(offset, soEnd);
      default: return AVERROR(EINVAL);
    }
  } catch (...) {
    return AVERROR(EIO);
  }
}

constexpr int IOBufferSize = 64 * 1024;

}  // namespace

bool IsStreamName(const QString& name) { return NamePattern().match(name).hasMatch(); }

QString StreamName(int number) { return QStringLiteral("stream:%1").arg(number); }

int RegisterStream(std::unique_ptr<TByteStream> stream) { return Registry().Add(std::move(stream)); }

bool ReleaseStream(int number) { return Registry().Take(number) != nullptr; }

int OpenStreamIO(const QString& name, AVIOContext** pb) {
  *pb = nullptr;
  const QRegularExpressionMatch match = NamePattern().match(name);
  bool ok = false;
  const int number = match.hasMatch() ? match.captured(1).toInt(&ok) : 0;
  if (!ok) return AVERROR(ENOENT);
  std::unique_ptr<TByteStream> stream = Registry().Take(number);
  if (!stream) return AVERROR(ENOENT);

  auto* buffer = static_cast<unsigned char*>(av_malloc(IOBufferSize));
  auto opened = std::make_unique<TOpenedStream>(TOpenedStream{std::move(stream)});
  AVIOContext* io = buffer ? avio_alloc_context(buffer, IOBufferSize, 0, opened.get(), ReadPacket, nullptr, SeekPacket)
                           : nullptr;
  if (!io) {
    av_free(buffer);
    return AVERROR(ENOMEM);
  }
  opened.release();  // owned by the context from here on
  *pb = io;
  return 0;
}

void CloseStreamIO(AVIOContext** pb) {
  if (!*pb) return;
  if ((*pb)->read_packet == ReadPacket) {
    delete static_cast<TOpenedStream*>((*pb)->opaque);
    av_freep(&(*pb)->buffer);
  }
  avio_context_free(pb);
}

int OpenMediaInput(AVFormatContext** ctx, const QString& name, const AVInputFormat* format, AVDictionary** options) {
  if (!*ctx) *ctx = avformat_alloc_context();
  if (!*ctx) return AVERROR(ENOMEM);
  AVIOContext* custom = nullptr;  // "stream:N": one of the program's own byte streams
  if (IsStreamName(name)) {
    const int r = OpenStreamIO(name, &custom);
    if (r < 0) {
      avformat_free_context(*ctx);
      *ctx = nullptr;
      return r;
    }
    (*ctx)->pb = custom;
    (*ctx)->flags |= AVFMT_FLAG_CUSTOM_IO;
  }
  const int r = avformat_open_input(ctx, name.toUtf8().constData(), format, options);
  if (r < 0 && custom) CloseStreamIO(&custom);  // a failed open frees the context only
  return r;
}

}  // namespace media
