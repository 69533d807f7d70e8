#pragma once
// Owning smart pointers for the media libraries' objects. Every library object
// the program creates lives in one of these so that every path, error paths
// included, releases it.

#include <cstdio>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace media {

// Closes an input; a custom byte stream (see StreamInput.h) is freed after it.
struct InputFormatDeleter {
  void operator()(AVFormatContext* c) const;
};
// Output contexts close their byte stream (when the muxer writes a file) and
// then free the context with its streams, chapters and metadata.
struct OutputFormatDeleter {
  void operator()(AVFormatContext* c) const {
    if (c->oformat && !(c->oformat->flags & AVFMT_NOFILE)) avio_closep(&c->pb);
    avformat_free_context(c);
  }
};
// A format context that was never opened: no byte stream to close.
struct FormatContextDeleter {
  void operator()(AVFormatContext* c) const { avformat_free_context(c); }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsDeleter {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrDeleter {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
struct AudioFifoDeleter {
  void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct FilterGraphDeleter {
  void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct BsfDeleter {
  void operator()(AVBSFContext* b) const { av_bsf_free(&b); }
};
struct DictionaryDeleter {
  void operator()(AVDictionary* d) const { av_dict_free(&d); }
};
struct AvFreeDeleter {
  void operator()(void* p) const { av_free(p); }
};
struct FileDeleter {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
struct BufferRefDeleter {
  void operator()(AVBufferRef* b) const { av_buffer_unref(&b); }
};

using InputFormatContextPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormatContextPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using BsfContextPtr = std::unique_ptr<AVBSFContext, BsfDeleter>;
using AvBufferPtr = std::unique_ptr<uint8_t, AvFreeDeleter>;
using FilePtr = std::unique_ptr<std::FILE, FileDeleter>;
// A reference to a counted buffer: a hardware device or frame pool.
using BufferRefPtr = std::unique_ptr<AVBufferRef, BufferRefDeleter>;

// An AVDictionary* that frees itself; pass Ref() where the library wants AVDictionary**.
class Dictionary {
 public:
  Dictionary() = default;
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
  Dictionary(Dictionary&& o) noexcept : d_(o.d_) { o.d_ = nullptr; }
  Dictionary& operator=(Dictionary&& o) noexcept {
    if (this != &o) { av_dict_free(&d_); d_ = o.d_; o.d_ = nullptr; }
    return *this;
  }
  ~Dictionary() { av_dict_free(&d_); }

  AVDictionary* Get() const { return d_; }
  AVDictionary** Ref() { return &d_; }
  void Set(const char* key, const char* value, int flags = 0) { av_dict_set(&d_, key, value, flags); }
  const char* Value(const char* key) const {
    const AVDictionaryEntry* e = av_dict_get(d_, key, nullptr, 0);
    return e ? e->value : nullptr;
  }
  int Count() const { return av_dict_count(d_); }

 private:
  AVDictionary* d_ = nullptr;
};

inline FramePtr MakeFrame() { return FramePtr(av_frame_alloc()); }
inline PacketPtr MakePacket() { return PacketPtr(av_packet_alloc()); }

}  // namespace media
