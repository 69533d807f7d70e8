// What a source says of itself goes along: music keeps its tags and its
// cover, recordings their date, films their chapters and soft subtitles, in
// every target whose container holds them; the user's tags win.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "profiles/ProfileConversion.h"

using namespace testing_support;

namespace {

const QStringList Tags = {"-metadata", "title=Tesvanor Test Song", "-metadata", "artist=Ormentis Band", "-metadata",
                          "album=First Album", "-metadata", "track=3/12", "-metadata", "date=2024", "-metadata",
                          "genre=Rock"};

// A song with its tags and a cover picture of codec.
QString Song(const QString& audio, const QString& cover, const QString& container) {
  return FixtureFromArguments(QStringList{"-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-f", "lavfi", "-i",
                                          "color=c=red:size=96x96:duration=1", "-map", "0:a", "-map", "1:v",
                                          "-frames:v", "1", "-c:v", cover, "-pix_fmt:v",
                                          cover == "png" ? "rgb24" : "yuvj420p", "-disposition:v", "attached_pic",
                                          "-c:a", audio} +
                                  Tags,
                              container);
}

// A text file the fixtures read, kept beside them so that their arguments stay the same.
QString FixtureText(const QString& name, const QByteArray& text) {
  const QString path = QDir(QStringLiteral(TESVANOR_FIXTURE_DIR)).filePath(name);
  QDir().mkpath(QStringLiteral(TESVANOR_FIXTURE_DIR));
  QFile file(path);
  if (file.open(QIODevice::ReadOnly) && file.readAll() == text) return path;
  file.close();
  if (file.open(QIODevice::WriteOnly)) file.write(text);
  return path;
}

const char* const ChapterText =
      ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1500\ntitle=Opening\n"
      "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1500\nEND=3000\ntitle=Middle\n"
      "[CHAPTER]\nTIMEBASE=1/1000\nSTART=3000\nEND=4000\ntitle=Ending\n";

// Four seconds of film with three titled chapters and a text subtitle track.
QString TextFilm() {
  const QString chapters = FixtureText("film-chapters.ffmeta", ChapterText);
  const QString subtitles = FixtureText(
      "film-subtitles.srt", "1\n00:00:00,500 --> 00:00:01,500\nFirst line\n\n2\n00:00:02,000 --> 00:00:03,500\nSecond\n");
  return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=4", "-f", "lavfi", "-i",
                               "sine=duration=4", "-i", chapters, "-i", subtitles, "-map", "0:v", "-map", "1:a",
                               "-map", "3:s", "-map_chapters", "2", "-c:v", "libx264", "-preset", "ultrafast", "-c:a",
                               "aac", "-c:s", "srt"},
                              "mkv");
}

// Subtitle pictures first, then a text track of the same lines.
QString BothFilm(const QString& bitmapFilm) {
  const QString text = QDir(QStringLiteral(TESVANOR_FIXTURE_DIR)).filePath("film-subtitles.srt");
  return FixtureFromArguments({"-i", bitmapFilm, "-i", text, "-map", "0", "-map", "1", "-c", "copy", "-c:s:1", "srt"},
                              "mkv");
}

// The same chapters over a DVD's pictures with their subtitle pictures.
QString BitmapFilm() {
  const QString chapters = FixtureText("film-chapters.ffmeta", ChapterText);
  return FixtureFromArguments({"-i", BitmapSubtitledFixture(), "-i", chapters, "-map", "0", "-map_chapters", "1",
                               "-c", "copy"},
                              "mkv");
}

// A tag of the file, or of its sound stream where the container keeps them there (Ogg).
QString Tag(const QString& file, const QString& name) {
  for (const QString& where : {QStringLiteral("format_tags="), QStringLiteral("stream_tags=")}) {
    const QString value = RunTool("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries", where + name,
                                              "-of", "default=nw=1:nk=1", file})
                              .section('\n', 0, 0)
                              .trimmed();
    if (!value.isEmpty()) return value;
  }
  return {};
}

// Streams as "type:attached" lines ("video:1" for a cover, "attachment:0").
QStringList Streams(const QString& file) {
  return RunTool("ffprobe", {"-v", "error", "-show_entries", "stream=codec_type:stream_disposition=attached_pic", "-of",
                             "csv=p=0", file})
      .split('\n', Qt::SkipEmptyParts);
}

QStringList Chapters(const QString& file) {
  return RunTool("ffprobe", {"-v", "error", "-show_entries", "chapter=start_time,end_time:chapter_tags=title", "-of",
                             "csv=p=0", file})
      .split('\n', Qt::SkipEmptyParts);
}

}  // namespace

TEST(SourceTags, MusicKeepsItsTagsAndItsCover) {
  const QString flac = Song("flac", "png", "flac");
  const QString mp3 = Song("libmp3lame", "mjpeg", "mp3");
  const QString ogg = FixtureFromArguments(QStringList{"-f", "lavfi", "-i", "sine=duration=2", "-c:a", "libvorbis"} + Tags,
                                           "ogg");
  const struct {
    const char* name;
    QString source;
    const char* profile;
    QStringList streams;  // of the target
  } cases[] = {
      {"FLAC into MP3", flac, "MP3音频(320kbit/s)", {"audio,0", "video,1"}},
      {"MP3 into AAC", mp3, "AAC Audio", {"audio,0", "video,1"}},
      {"MP3 into FLAC", mp3, "FLAC无损音频(*.flac)", {"audio,0", "video,1"}},
      // Matroska keeps it as an attachment, which readers show as the cover.
      {"FLAC into Matroska audio", flac, "Matroska音频", {"audio,0", "video,1"}},
      {"FLAC into Opus, which keeps no picture", flac, "Opus音频(*.opus)", {"audio,0"}},
      {"Ogg's tags on its stream into MP3", ogg, "MP3音频(320kbit/s)", {"audio,0"}},
      {"a song into a video target", flac, "通用MP4 H.264(原始尺寸)", {"audio,0", "video,1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TConverted out = ConvertWith(QString::fromUtf8(c.profile), c.source);
    EXPECT_EQ(Tag(out.target, "title"), "Tesvanor Test Song");
    EXPECT_EQ(Tag(out.target, "artist"), "Ormentis Band");
    EXPECT_EQ(Tag(out.target, "album"), "First Album");
    EXPECT_EQ(Tag(out.target, "date"), "2024");
    EXPECT_EQ(Tag(out.target, "genre"), "Rock");
    EXPECT_TRUE(Tag(out.target, "track").startsWith("3")) << Tag(out.target, "track").toStdString();
    EXPECT_EQ(Streams(out.target), c.streams);
    if (c.streams.size() == 1 && c.source != ogg) {
      EXPECT_EQ(out.log.filter("Cover picture left out").size(), 1) << out.log.join('\n').toStdString();
    }
  }
}

TEST(SourceTags, TheUsersTagsWinAndRecordingsKeepTheirDate) {
  const QString camera = FixtureFromArguments(
      {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=1", "-c:v", "mjpeg", "-pix_fmt", "yuvj420p",
       "-metadata", "creation_time=2024-05-06T07:08:09.000000Z", "-metadata", "title=Holiday", "-f", "mov"},
      "mov");
  const TConverted out = ConvertWith(QStringLiteral("通用MP4 H.264(原始尺寸)"), camera, [](TAVConvertOptions& o) {
    o.SetMetaData({"comment=converted"});
  });
  EXPECT_EQ(Tag(out.target, "creation_time"), "2024-05-06T07:08:09.000000Z");
  EXPECT_EQ(Tag(out.target, "title"), "Holiday");
  EXPECT_EQ(Tag(out.target, "comment"), "converted");
  const TConverted mine = ConvertWith(QStringLiteral("MP3音频(320kbit/s)"), Song("flac", "png", "flac"),
                                      [](TAVConvertOptions& o) { o.SetMetaData({"title=Mine"}); });
  EXPECT_EQ(Tag(mine.target, "title"), "Mine");
  EXPECT_EQ(Tag(mine.target, "artist"), "Ormentis Band");
}

TEST(SourceTags, FilmsKeepChaptersAndSoftSubtitles) {
  const QString text = TextFilm(), bitmap = BitmapFilm();
  const QStringList whole = {"0.000000,1.500000,Opening", "1.500000,3.000000,Middle", "3.000000,4.000000,Ending"};
  const struct {
    const char* name;
    QString source;
    const char* profile;
    const char* subtitle;  // the target's subtitle codec, "" for none
  } cases[] = {
      {"text into Matroska", text, "高效率视频H.265(*.mkv)", "ass"},
      {"text into MP4", text, "高效率视频H.265(*.mp4)", "mov_text"},
      {"text into MP4 for every device", text, "通用MP4 H.264(原始尺寸)", "mov_text"},
      {"bitmap into Matroska", bitmap, "AV1视频(*.mkv)", "dvd_subtitle"},
      {"bitmap into MP4", bitmap, "通用MP4 H.264(原始尺寸)", ""},
      {"bitmap and text into MP4: the text", BothFilm(bitmap), "通用MP4 H.264(原始尺寸)", "mov_text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TConverted out = ConvertWith(QString::fromUtf8(c.profile), c.source);
    EXPECT_EQ(Chapters(out.target), whole);
    EXPECT_EQ(ProbeStream(out.target, "s:0", "codec_name"), c.subtitle);
    if (!*c.subtitle) {
      EXPECT_EQ(out.log.filter("Subtitles left out").size(), 1);
    }
  }
  // A time range shifts the chapters and cuts them at its ends.
  const TConverted part = ConvertWith(QStringLiteral("高效率视频H.265(*.mp4)"), text, [](TAVConvertOptions& o) {
    o.SetStartTime(2000000);
    o.SetRecordingTime(1500000);
  });
  EXPECT_EQ(Chapters(part.target), (QStringList{"0.000000,1.000000,Middle", "1.000000,1.500000,Ending"}));
}
