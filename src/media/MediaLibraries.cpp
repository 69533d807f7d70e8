#include "media/MediaLibraries.h"

#include "media/LibraryPtrs.h"
#include "media/StreamInput.h"
#include "media/WavcapInput.h"

#include <QStringList>

#include <cstdlib>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace media {

void InputFormatDeleter::operator()(AVFormatContext* c) const {
  AVIOContext* custom = (c->flags & AVFMT_FLAG_CUSTOM_IO) ? c->pb : nullptr;
  avformat_close_input(&c);
  if (custom) CloseStreamIO(&custom);
}

void InstallLibraryWorkarounds();

void LoadMediaLibraries() {
  InstallLibraryWorkarounds();
  static std::once_flag once;
  // Codecs, formats and filters register themselves today; capture devices
  // still need the explicit call.
  std::call_once(once, [] {
    avdevice_register_all();
    // The AV1 encoder writes its banner straight to the terminal unless told
    // to keep to warnings; the user may still ask for more.
    setenv("SVT_LOG", "2", 0);
  });
}

const AVInputFormat* FindInputFormat(const char* name) {
  const AVInputFormat* own = WavcapInputFormat();
  if (std::strcmp(name, own->name) == 0) return own;
  return av_find_input_format(name);
}

namespace {
QString VersionText(const char* name, unsigned v) {
  return QStringLiteral("%1 %2.%3.%4").arg(QLatin1String(name)).arg(v >> 16).arg((v >> 8) & 0xff).arg(v & 0xff);
}
}  // namespace

QString LibraryVersions() {
  return QStringList({VersionText("libavutil", avutil_version()),
                     VersionText("libavcodec", avcodec_version()),
                     VersionText("libavformat", avformat_version()),
                     VersionText("libavfilter", avfilter_version()),
                     VersionText("libavdevice", avdevice_version()),
                     VersionText("libswscale", swscale_version()),
                     VersionText("libswresample", swresample_version())})
      .join(QStringLiteral(", "));
}

QString ErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return QString::fromUtf8(text);
}

}  // namespace media
