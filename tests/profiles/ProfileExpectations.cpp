#include "profiles/ProfileExpectations.h"

#include <QMap>

#include "profiles/CustomProfiles.h"
#include "profiles/ModernProfiles.h"
#include "profiles/TargetProfiles.h"

namespace testing_support {

namespace {

QString ContainerOf(const QString& extension) {
  static const QMap<QString, QString> names{
      {".mp4", "mov,mp4,m4a,3gp,3g2,mj2"}, {".m4a", "mov,mp4,m4a,3gp,3g2,mj2"}, {".m4v", "mov,mp4,m4a,3gp,3g2,mj2"},
      {".f4v", "mov,mp4,m4a,3gp,3g2,mj2"}, {".3gp", "mov,mp4,m4a,3gp,3g2,mj2"}, {".3g2", "mov,mp4,m4a,3gp,3g2,mj2"},
      {".mov", "mov,mp4,m4a,3gp,3g2,mj2"}, {".mpg", "mpeg"},  {".vob", "mpeg"},         {".wmv", "asf"},
      {".wma", "asf"},                     {".asf", "asf"},   {".avi", "avi"},          {".flv", "flv"},
      {".mkv", "matroska,webm"},           {".mka", "matroska,webm"}, {".m2ts", "mpegts"}, {".swf", "swf"},
      {".dv", "dv"},                       {".ac3", "ac3"},   {".mp3", "mp3"},          {".wav", "wav"},
      {"%1d.bmp", "bmp_pipe"},             {"%1d.jpg", "image2"}, {"%1d.png", "png_pipe"}, {"%1d.gif", "gif"},
      {"%1d.tif", "tiff_pipe"}};
  return names.value(extension);
}

QString BrandOf(TCustomAVFormat format, const QString& extension) {
  switch (format) {
    case F_3GP: return "3gp4";
    case F_3GP2: return "3g2a";
    case F_PSP: return "MSNV";
    case F_IPOD: return "M4V ";
    case F_MOV: return "qt  ";
    case F_MP4: return "isom";
    default: break;
  }
  if (extension == ".m4a") return "M4A ";
  return extension == ".mp4" ? "isom" : "";
}

QString ProbedVideoCodec(TCustomVideoEncoder e) {
  static const char* const names[] = {"h263", "h264", "mpeg4", "wmv2", "mpeg2video", "msmpeg4v3", "rv20", "mpeg4",
                                      "flv1"};
  return names[static_cast<int>(e)];
}

// libfaac and libopencore_amrnb are not in the library; the engine uses aac.
QString ProbedAudioCodec(TCustomAudioEncoder e) {
  static const char* const names[] = {"aac", "wmav2", "ac3", "mp2", "mp3", "pcm_s16le", "ra_144", "aac"};
  return names[static_cast<int>(e)];
}

TExpected ForAudio(const TAVCustomAudioProfile& p) {
  TExpected e;
  e.container = ContainerOf(p.Extension());
  e.brand = BrandOf(p.Format(), p.Extension());
  e.audio = ProbedAudioCodec(p.AudioEncoder());
  e.sampleRate = p.SampleRate();
  e.channels = p.AudioChannels() == TCustomAudioChannels::stereo2 ? 2 : 1;
  if (p.AudioEncoder() != TCustomAudioEncoder::PCM_S16LE) e.audioBitrate = qRound(p.AudioBitrate() * 1000);
  return e;
}

TExpected ForVideo(const TAVCustomVideoProfile& p) {
  TExpected e = ForAudio(p);
  e.video = ProbedVideoCodec(p.VideoEncoder());
  if (p.FrameWidth() > 0) e.width = p.FrameWidth();
  if (p.FrameHeight() > 0) e.height = p.FrameHeight();
  const TFrameRateInfo& rate = FrameRateTable[p.FrameRate()];
  if (rate.num) e.rate = QStringLiteral("%1/%2").arg(rate.num).arg(rate.den);
  e.videoBitrate = p.VideoBitrate() * 1000;
  if (p.Format() == F_DVD) {
    e.packSize = 2048;
    e.toolFormat = "mpeg";
  }
  return e;
}

// Today's targets: codecs by recipe, 8-bit 4:2:0 for the video codecs, two
// channels where every device must play the file.
TExpected ForModern(const TAVModernProfile& p) {
  static const char* const videos[] = {"", "h264", "hevc", "av1", "vp9", "gif"};
  static const char* const audios[] = {"", "aac", "opus", "flac", "mp3"};
  static const QMap<QString, QString> containers{{"mp4", "mov,mp4,m4a,3gp,3g2,mj2"}, {"matroska", "matroska,webm"},
                                                 {"webm", "matroska,webm"}, {"opus", "ogg"}, {"flac", "flac"},
                                                 {"mp3", "mp3"}, {"gif", "gif"}};
  const TModernRecipe& r = p.Recipe();
  TExpected e;
  e.container = containers.value(QLatin1String(r.format));
  e.video = QLatin1String(videos[static_cast<int>(r.video)]);
  e.audio = QLatin1String(audios[static_cast<int>(r.audio)]);
  if (r.video != TModernVideo::GIF) e.pixelFormat = e.video.isEmpty() ? QString() : QStringLiteral("yuv420p");
  if (r.video == TModernVideo::H264 || r.audio == TModernAudio::MP3) e.channels = 2;
  if (r.audio == TModernAudio::Opus) e.sampleRate = 48000;
  e.maxHeight = r.video == TModernVideo::GIF ? 360 : r.maxHeight;
  e.audioBitrate = r.audioKbits * 1000;
  return e;
}

TExpected ForTarget(const TAVProfile& p) {
  TExpected e;
  e.container = ContainerOf(p.Extension());
  const QString c = p.ClassName();
  if (c == "TAVVcdProfile") {
    e = {e.container, "", "mpeg1video", "mp2", 352, 288, "25/1", "", 44100, 2, 1150000, 224000, 2324, "mpeg"};
  } else if (c == "TAVSVcdProfile") {
    e = {e.container, "", "mpeg2video", "mp2", 480, 576, "25/1", "", 44100, 2, 2040000, 224000, 2324, "mpeg"};
    e.maxChannels = 2;
  } else if (c == "TAVDvdProfile") {
    e = {e.container, "", "mpeg2video", "ac3", 720, 576, "25/1", "", 48000, 2, 6000000, 448000, 2048, "mpeg"};
    e.maxChannels = 6;
  } else if (c == "TAVDvProfile") {
    e = {e.container, "", "dvvideo", "pcm_s16le", 720, 576, "25/1", "yuv420p", 48000, 2, 0, 0, 0, "dv"};
  } else if (c == "TAVDv50Profile") {
    // DV50 names only its pixel format: the nearest DV frame for a 25 Hz source.
    e = {e.container, "", "dvvideo", "pcm_s16le", 720, 576, "25/1", "yuv422p", 0, 2, 0, 0, 0, "dv"};
  } else {
    static const QMap<QString, QString> codecs{
        {"%1d.bmp", "bmp"}, {"%1d.jpg", "mjpeg"}, {"%1d.png", "png"}, {"%1d.gif", "gif"}, {"%1d.tif", "tiff"}};
    e.video = codecs.value(p.Extension());
    e.images = true;
  }
  return e;
}

}  // namespace

TExpected Expected(const TAVProfile& p) {
  if (auto* v = dynamic_cast<const TAVCustomVideoProfile*>(&p)) return ForVideo(*v);
  if (auto* a = dynamic_cast<const TAVCustomAudioProfile*>(&p)) return ForAudio(*a);
  if (auto* m = dynamic_cast<const TAVModernProfile*>(&p)) return ForModern(*m);
  return ForTarget(p);
}

}  // namespace testing_support
