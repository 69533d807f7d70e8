#include "media/StreamInput.h"

#include <QRegularExpression>

extern "C" {
#include <libavutil/error.h>
}

namespace media {

bool IsStreamName(const QString& name) {
  static const QRegularExpression pattern(QStringLiteral("^stream:\\d+(\\.[^./]*)?$"));
  return pattern.match(name).hasMatch();
}

// No byte-stream objects are registered yet: every number is unknown.
int OpenStreamIO(const QString& /*name*/, AVIOContext** pb) {
  *pb = nullptr;
  return AVERROR(ENOENT);
}

void CloseStreamIO(AVIOContext** pb) { avio_context_free(pb); }

}  // namespace media
