// tesvanor-cli dvd [PATH], and the DVD title source of convert.

#include <QRegularExpression>
#include <cstdio>
#include <memory>

#include "cli/Commands.h"
#include "cli/DvdSource.h"
#include "dvd/DvdDrives.h"
#include "dvd/DvdError.h"
#include "dvd/DvdScan.h"
#include "dvd/DvdStream.h"
#include "engine/ErrorBox.h"
#include "media/StreamInput.h"
#include "tasks/ConversionSettings.h"

namespace cli {

namespace {

const QString CannotOpenDvd = QStringLiteral("打不开DVD");

int ListDrives() {
  const std::vector<dvd::TDvdDrive> drives = dvd::ListDvdDrives();
  if (drives.empty()) {
    std::fprintf(stderr, "No drive holds a DVD-Video.\n");
    return 1;
  }
  for (const dvd::TDvdDrive& drive : drives)
    std::printf("%s  %s\n", qPrintable(dvd::DriveText(drive)), qPrintable(drive.DiscPath()));
  return 0;
}

int ListTitles(const QString& path) {
  const auto titles = dvd::ScanDvd(path);
  if (!titles) {
    ShowErrorBox(CannotOpenDvd);
    return 1;
  }
  for (const dvd::hb_title_t& title : *titles)
    std::printf("%s  chapters %d  angles %d\n", qPrintable(dvd::TitleLine(title)),
                dvd::hb_list_count(title.list_chapter), title.angle_count);
  return 0;
}

bool PositiveNumber(const QString& text, int& value) {
  bool ok = false;
  value = text.toInt(&ok);
  return ok && value > 0;
}

}  // namespace

int Dvd(const QStringList& args) {
  if (args.size() > 1) return UsageError(QStringLiteral("dvd wants at most one PATH"));
  return args.isEmpty() ? ListDrives() : ListTitles(args[0]);
}

TDvdSource::~TDvdSource() {
  if (FStream) media::ReleaseStream(FStream);
}

bool TDvdSource::TakeOptions(QStringList& args, QString& error) {
  static const QRegularExpression range(QStringLiteral("^(\\d+)-(\\d+)$"));
  QStringList rest;
  bool chapters = false, angle = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a != QLatin1String("--dvd-title") && a != QLatin1String("--dvd-chapters") && a != QLatin1String("--dvd-angle")) {
      rest << a;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = QStringLiteral("%1 needs a value").arg(a);
      return false;
    }
    const QString value = args[++i];
    if (a == QLatin1String("--dvd-title")) {
      if (!PositiveNumber(value, FTitle)) error = QStringLiteral("--dvd-title wants a title number from 1");
    } else if (a == QLatin1String("--dvd-angle")) {
      angle = true;
      if (!PositiveNumber(value, FAngle)) error = QStringLiteral("--dvd-angle wants an angle number from 1");
    } else {
      chapters = true;
      const QRegularExpressionMatch m = range.match(value);
      if (!m.hasMatch() || !PositiveNumber(m.captured(1), FFirst) || !PositiveNumber(m.captured(2), FLast) ||
          FFirst > FLast)
        error = QStringLiteral("--dvd-chapters wants FIRST-LAST, for example 2-3");
    }
    if (!error.isEmpty()) return false;
  }
  if ((chapters || angle) && FTitle == 0) {
    error = QStringLiteral("--dvd-chapters and --dvd-angle need --dvd-title");
    return false;
  }
  args = rest;
  return true;
}

bool TDvdSource::Open(const QString& path) {
  const auto titles = dvd::ScanDvd(path);
  if (!titles) {
    ShowErrorBox(CannotOpenDvd);
    return false;
  }
  const dvd::hb_title_t* title = nullptr;
  for (const dvd::hb_title_t& t : *titles)
    if (t.index == FTitle) title = &t;
  if (!title) {
    ShowErrorBox(QStringLiteral("The disc has no readable title %1").arg(FTitle));
    return false;
  }
  const int chapters = dvd::hb_list_count(title->list_chapter);
  const int first = FFirst ? FFirst : 1, last = FLast ? FLast : chapters;
  FFirst = first, FLast = last;
  if (last > chapters) {
    ShowErrorBox(QStringLiteral("Title %1 has %2 chapters").arg(FTitle).arg(chapters));
    return false;
  }
  if (FAngle > title->angle_count) {
    ShowErrorBox(QStringLiteral("Title %1 has %2 angles").arg(FTitle).arg(title->angle_count));
    return false;
  }
  try {
    FStream = media::RegisterStream(std::make_unique<dvd::TDvdStream>(*title, FAngle, first, last));
  } catch (const dvd::EDvdError& e) {
    ShowErrorBox(e.Message());
    return false;
  }
  FPath = title->dvd;
  FVolume = dvd::DiscVolumeLabel(path);
  return true;
}

void TDvdSource::Describe(TConversionSettings& settings) const {
  settings.SetSourceType(stDvd);
  settings.SetSourceFile(Name());
  settings.SetDvdDriver(FPath);
  settings.SetDvdTitle(FTitle);
  settings.SetDvdChapter(FFirst);
  settings.SetDvdThrough(FLast);
  settings.SetDvdAngle(FAngle);
  settings.SetDvdVolume(FVolume);
}

QString TDvdSource::Name() const { return media::StreamName(FStream); }

}  // namespace cli
