#include "engine/OptionStores.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace {

// The option flag each codec store answers to: video, audio, data, subtitle, attachment.
constexpr int StoreTypeFlags[5] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                   AV_OPT_FLAG_SUBTITLE_PARAM, 0};

const AVCodec* TargetCodec(int type, const TAVPrivateOptionTargets& targets) {
  switch (type) {
    case osVideo: return targets.video;
    case osAudio: return targets.audio;
    case osSubtitle: return targets.subtitle;
    default: return nullptr;
  }
}

// A private option of cls (given as a fake object) with all of typeFlags.
const AVOption* FindPrivate(const AVClass* const* cls, const char* name, int typeFlags) {
  if (!cls || !*cls) return nullptr;
  return av_opt_find(const_cast<const AVClass**>(cls), name, nullptr, typeFlags, AV_OPT_SEARCH_FAKE_OBJ);
}

}  // namespace

TAVOptionStores::TAVOptionStores(int swsFlags) {
  for (auto& store : FCodec) store.reset(avcodec_alloc_context3(nullptr));
  FFormat.reset(avformat_alloc_context());
  FScaler.reset(sws_alloc_context());
  if (FScaler) av_opt_set_int(FScaler.get(), "sws_flags", swsFlags, 0);
}

AVCodecContext* TAVOptionStores::PrivateCodecStore(int type, const AVCodec* codec) {
  for (auto& store : FCodecPrivate[type])
    if (store->codec == codec) return store.get();
  FCodecPrivate[type].emplace_back(avcodec_alloc_context3(codec));
  return FCodecPrivate[type].back().get();
}

AVFormatContext* TAVOptionStores::PrivateFormatStore(const AVOutputFormat* muxer) {
  for (auto& store : FFormatPrivate)
    if (store->oformat == muxer) return store.get();
  AVFormatContext* ctx = nullptr;
  avformat_alloc_output_context2(&ctx, muxer, nullptr, nullptr);
  FFormatPrivate.emplace_back(ctx);
  return ctx;
}

int TAVOptionStores::SetOn(int store, void* object, const AVOption* o, const char* value, int searchFlags) {
  if (!object) return AVERROR(ENOMEM);
  const int ret = av_opt_set(object, o->name, value, searchFlags);
  if (ret >= 0) FExplicit[store].insert(QByteArray(o->name));
  return ret;
}

const AVOption* TAVOptionStores::SetOnCodecStore(int type, const char* name, const char* value, int typeFlags,
                                                 const TAVPrivateOptionTargets& targets, int& ret) {
  // Every codec store shares one class; the video store answers for all of them.
  if (const AVOption* o = av_opt_find(FCodec[osVideo].get(), name, nullptr, typeFlags, 0)) {
    ret = SetOn(type, FCodec[type].get(), o, value, 0);
    return o;
  }
  const AVCodec* codec = TargetCodec(type, targets);
  const AVOption* o = codec ? FindPrivate(&codec->priv_class, name, typeFlags) : nullptr;
  if (o) ret = SetOn(type, PrivateCodecStore(type, codec), o, value, AV_OPT_SEARCH_CHILDREN);
  return o;
}

const AVOption* TAVOptionStores::SetOnFormatStore(const char* name, const char* value,
                                                  const TAVPrivateOptionTargets& targets, int& ret) {
  if (const AVOption* o = av_opt_find(FFormat.get(), name, nullptr, 0, 0)) {
    ret = SetOn(osFormat, FFormat.get(), o, value, 0);
    return o;
  }
  const AVOption* o = targets.muxer ? FindPrivate(&targets.muxer->priv_class, name, 0) : nullptr;
  if (o) ret = SetOn(osFormat, PrivateFormatStore(targets.muxer), o, value, AV_OPT_SEARCH_CHILDREN);
  return o;
}

TAVOptionStores::TSetResult TAVOptionStores::Set(const QByteArray& name, const QByteArray& value,
                                                 const TAVPrivateOptionTargets& targets, QByteArray& storedName,
                                                 int onlyStore) {
  const char* n = name.constData();
  const char* v = value.constData();
  const AVOption* found = nullptr;
  int ret = 0;
  if (onlyStore >= osVideo && onlyStore <= osAttachment) {
    found = SetOnCodecStore(onlyStore, n, v, 0, targets, ret);
    if (!found) return TSetResult::UnknownName;
    if (ret < 0) return TSetResult::InvalidValue;
    storedName = found->name;
    return TSetResult::Stored;
  }
  for (int type = osVideo; type <= osAttachment; ++type) {
    if (const AVOption* o = SetOnCodecStore(type, n, v, StoreTypeFlags[type], targets, ret)) {
      found = o;
      if (ret < 0) break;
    }
  }
  if (!found) found = SetOnFormatStore(n, v, targets, ret);
  if (!found && FScaler) {
    found = av_opt_find(FScaler.get(), n, nullptr, 0, 0);
    if (found) ret = SetOn(osScaler, FScaler.get(), found, v, 0);
  }
  if (!found && name.size() > 1) {
    const char first = name[0];
    const int type = first == 'a' ? osAudio : first == 'v' ? osVideo : first == 's' ? osSubtitle : -1;
    if (type >= 0) found = SetOnCodecStore(type, n + 1, v, 0, targets, ret);
  }
  if (!found) return TSetResult::UnknownName;
  if (ret < 0) return TSetResult::InvalidValue;
  storedName = found->name;
  return TSetResult::Stored;
}

std::vector<void*> TAVOptionStores::StoreObjects(TAVOptionStore store) const {
  std::vector<void*> objects;
  if (store <= osAttachment) {
    objects.push_back(FCodec[store].get());
    for (auto& p : FCodecPrivate[store]) objects.push_back(p.get());
  } else if (store == osFormat) {
    objects.push_back(FFormat.get());
    for (auto& p : FFormatPrivate) objects.push_back(p.get());
  } else {
    objects.push_back(FScaler.get());
  }
  return objects;
}

void TAVOptionStores::Apply(void* context, TAVOptionStore store, int flags, const QStringList& names) const {
  const std::vector<void*> objects = StoreObjects(store);
  for (const QString& n : names) {
    const QByteArray name = n.toUtf8();
    if (!FExplicit[store].contains(name)) continue;
    for (void* object : objects) {
      if (!object) continue;
      const AVOption* o = av_opt_find(object, name.constData(), nullptr, 0, AV_OPT_SEARCH_CHILDREN);
      if (!o) continue;
      if ((o->flags & flags) == flags) {
        uint8_t* text = nullptr;
        if (av_opt_get(object, name.constData(), AV_OPT_SEARCH_CHILDREN, &text) >= 0 && text)
          av_opt_set(context, name.constData(), reinterpret_cast<const char*>(text), AV_OPT_SEARCH_CHILDREN);
        av_free(text);
      }
      break;
    }
  }
}

int TAVOptionStores::ScalerFlags() const {
  int64_t flags = 0;
  if (FScaler) av_opt_get_int(FScaler.get(), "sws_flags", 0, &flags);
  return static_cast<int>(flags);
}
