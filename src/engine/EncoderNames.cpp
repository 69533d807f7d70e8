#include "engine/EncoderNames.h"

namespace engine {

namespace {

struct Substitute {
  const char* wanted;
  const char* used;
};

// Encoders older profiles name that Debian's library build does not include.
constexpr Substitute Substitutes[] = {
    {"libfaac", "aac"},
    {"libopencore_amrnb", "aac"},
};

}  // namespace

const AVCodec* FindEncoderByName(const QByteArray& name, QString& note) {
  note.clear();
  if (const AVCodec* codec = avcodec_find_encoder_by_name(name.constData())) return codec;
  for (const Substitute& s : Substitutes) {
    if (name != s.wanted) continue;
    const AVCodec* codec = avcodec_find_encoder_by_name(s.used);
    if (codec)
      note = QStringLiteral("Encoder %1 is not available; using %2 instead")
                 .arg(QLatin1String(s.wanted), QLatin1String(s.used));
    return codec;
  }
  return nullptr;
}

bool ChoosesOwnThreads(const AVCodec* encoder) {
  if (!encoder) return false;
  for (const char* name : {"libx264", "libx264rgb", "libx265", "libvpx", "libvpx-vp9", "libsvtav1"})
    if (qstrcmp(encoder->name, name) == 0) return true;
  return false;
}

}  // namespace engine
