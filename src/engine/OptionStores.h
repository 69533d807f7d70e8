#pragma once
// The converter's library option stores: option values parsed and checked by
// the libraries themselves, kept until the run's codec, format and scaler
// contexts exist, then copied onto them by name.

#include <QByteArray>
#include <QSet>
#include <QStringList>
#include <array>
#include <vector>

#include "media/LibraryPtrs.h"

// Which store: the codec stores by media type (video, audio, data, subtitle,
// attachment), then the container and the scaler.
enum TAVOptionStore : int {
  osVideo = 0,
  osAudio = 1,
  osData = 2,
  osSubtitle = 3,
  osAttachment = 4,
  osFormat = 5,
  osScaler = 6,
};

// The encoders and the muxer a run is going to use; their private options
// (libx264's "preset", the mp4 muxer's "movflags" …) are stored for them.
struct TAVPrivateOptionTargets {
  const AVCodec* video = nullptr;
  const AVCodec* audio = nullptr;
  const AVCodec* subtitle = nullptr;
  const AVOutputFormat* muxer = nullptr;
};

class TAVOptionStores {
 public:
  enum class TSetResult { Stored, InvalidValue, UnknownName };

  explicit TAVOptionStores(int swsFlags);
  TAVOptionStores(const TAVOptionStores&) = delete;
  TAVOptionStores& operator=(const TAVOptionStores&) = delete;

  // Parses name=value into every store that knows the name: the codec stores
  // by media type, else the container, else the scaler, else the name without
  // a leading a/v/s on the audio/video/subtitle store. On success storedName
  // is the option's own name.
  // onlyStore >= 0 limits the search to that codec store.
  TSetResult Set(const QByteArray& name, const QByteArray& value, const TAVPrivateOptionTargets& targets,
                 QByteArray& storedName, int onlyStore = -1);

  // Copies the value of each of names that was set on store, and whose option
  // carries all of flags, onto context (any object with an AVClass; private
  // options reach the codec's or muxer's own settings). Options never set on
  // that store are left alone, so an encoder keeps its own defaults.
  void Apply(void* context, TAVOptionStore store, int flags, const QStringList& names) const;

  // The scaler store's "sws_flags".
  int ScalerFlags() const;

 private:
  int SetOn(int store, void* object, const AVOption* o, const char* value, int searchFlags);
  const AVOption* SetOnCodecStore(int type, const char* name, const char* value, int typeFlags,
                                  const TAVPrivateOptionTargets& targets, int& ret);
  const AVOption* SetOnFormatStore(const char* name, const char* value, const TAVPrivateOptionTargets& targets,
                                   int& ret);
  AVCodecContext* PrivateCodecStore(int type, const AVCodec* codec);
  AVFormatContext* PrivateFormatStore(const AVOutputFormat* muxer);
  std::vector<void*> StoreObjects(TAVOptionStore store) const;

  std::array<media::CodecContextPtr, 5> FCodec;                       // generic codec options
  std::array<std::vector<media::CodecContextPtr>, 5> FCodecPrivate;  // one per encoder seen
  media::FormatContextPtr FFormat;
  std::vector<media::FormatContextPtr> FFormatPrivate;  // one per muxer seen
  media::SwsContextPtr FScaler;
  std::array<QSet<QByteArray>, 7> FExplicit;  // option names set on each store
};
