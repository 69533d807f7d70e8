#include "DvdFixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>

#include "support/MediaFixtures.h"

namespace testing_support {

namespace {

// Changing the recipe changes the folder, so an old disc is never reused.
const char* const Recipe = "dvd-v1";

bool Run(const QString& program, const QStringList& args, const QString& folder) {
  QProcess p;
  p.setWorkingDirectory(folder);
  p.setProcessChannelMode(QProcess::MergedChannels);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("VIDEO_FORMAT"), QStringLiteral("PAL"));
  p.setProcessEnvironment(env);
  p.start(program, args);
  p.waitForFinished(300000);
  const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  if (!ok) ADD_FAILURE() << program.toStdString() << " failed: " << p.readAll().toStdString();
  return ok;
}

// A DVD-compliant program stream. The small mux delay keeps each video
// object unit's audio close to its pictures, so chapter ranges cut cleanly.
bool MakeProgramStream(const QString& video, const QString& tone, int seconds, const QString& out,
                       const QString& folder) {
  const QString duration = QString::number(seconds);
  return Run(QStringLiteral("ffmpeg"),
             {"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
              video + "=size=352x288:rate=25:duration=" + duration, "-f", "lavfi", "-i",
              "sine=frequency=" + tone + ":sample_rate=48000:duration=" + duration, "-c:v", "mpeg2video", "-g", "10",
              "-bf", "0", "-flags", "+cgop", "-sc_threshold", "1000000000", "-b:v", "1500k", "-maxrate", "4000k",
              "-bufsize", "1835k", "-c:a", "mp2", "-b:a", "128k", "-ac", "2", "-ar", "48000", "-muxdelay", "0.1",
              "-muxpreload", "0.1", "-f", "dvd", out},
             folder);
}

const char* const Authoring =
    "<dvdauthor dest=\"disc\">\n"
    "  <vmgm />\n"
    "  <titleset>\n"
    "    <titles>\n"
    "      <video format=\"pal\" resolution=\"352x288\" />\n"
    "      <pgc><vob file=\"title1.mpg\" chapters=\"0,0:02,0:04,0:06,0:08\" /></pgc>\n"
    "      <pgc><vob file=\"title2.mpg\" /></pgc>\n"
    "    </titles>\n"
    "  </titleset>\n"
    "</dvdauthor>\n";

bool Author(const QString& folder) {
  QFile xml(QDir(folder).filePath(QStringLiteral("dvd.xml")));
  if (!xml.open(QIODevice::WriteOnly) || xml.write(Authoring) < 0) return false;
  xml.close();
  return MakeProgramStream(QStringLiteral("testsrc2"), QStringLiteral("440"), Title1Chapters * ChapterSeconds,
                           QStringLiteral("title1.mpg"), folder) &&
         MakeProgramStream(QStringLiteral("smptebars"), QStringLiteral("880"), Title2Seconds,
                           QStringLiteral("title2.mpg"), folder) &&
         Run(QStringLiteral("dvdauthor"), {"-x", "dvd.xml"}, folder) &&
         Run(QStringLiteral("genisoimage"), {"-quiet", "-dvd-video", "-V", "MY_MOVIE", "-o", "disc.iso.part", "disc"},
             folder) &&
         QFile::rename(QDir(folder).filePath(QStringLiteral("disc.iso.part")), QDir(folder).filePath("disc.iso"));
}

TAuthoredDvd Paths(const QDir& folder) {
  TAuthoredDvd dvd;
  dvd.Folder = folder.filePath(QStringLiteral("disc"));
  dvd.VideoTs = folder.filePath(QStringLiteral("disc/VIDEO_TS"));
  dvd.Iso = folder.filePath(QStringLiteral("disc.iso"));
  dvd.TitleSetVob = folder.filePath(QStringLiteral("disc/VIDEO_TS/VTS_01_1.VOB"));
  dvd.Title1Source = folder.filePath(QStringLiteral("title1.mpg"));
  return dvd;
}

TAuthoredDvd MakeAuthoredDvd() {
  const QDir fixtures(QStringLiteral(TESVANOR_FIXTURE_DIR));
  fixtures.mkpath(QStringLiteral("."));
  const QString name = QString::fromLatin1(Recipe);
  // Test processes run side by side: one authors, the others wait for it.
  QLockFile lock(fixtures.filePath(name + QStringLiteral(".lock")));
  if (!lock.lock()) {
    ADD_FAILURE() << "cannot lock the DVD fixture";
    return {};
  }
  const TAuthoredDvd dvd = Paths(QDir(fixtures.filePath(name)));
  if (QFile::exists(dvd.Iso)) return dvd;  // the image is made last
  QDir(fixtures.filePath(name)).removeRecursively();
  fixtures.mkpath(name);
  if (!Author(fixtures.filePath(name))) return {};
  return dvd;
}

}  // namespace

const TAuthoredDvd& AuthoredDvd() {
  static const TAuthoredDvd dvd = MakeAuthoredDvd();
  if (dvd.Iso.isEmpty()) ADD_FAILURE() << "no authored DVD";
  return dvd;
}

QString DataDiscImage(const QString& folder) {
  const QDir dir(folder);
  dir.mkpath(QStringLiteral("data"));
  QFile note(dir.filePath(QStringLiteral("data/README.TXT")));
  if (note.open(QIODevice::WriteOnly)) note.write("not a film\n");
  note.close();
  const QString image = dir.filePath(QStringLiteral("data.iso"));
  Run(QStringLiteral("genisoimage"), {"-quiet", "-udf", "-V", "BACKUP", "-o", image, "data"}, folder);
  return image;
}

}  // namespace testing_support
