// tesvanor-cli: the conversion engine from the command line.

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "cli/Commands.h"
#include "cli/TaskCommands.h"
#include "media/MediaLibraries.h"

namespace {

const char* const Usage =
    "Usage: tesvanor-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  convert SOURCE TARGET [options]   convert one media file\n"
    "  convert SOURCE... --output-folder DIR [options]\n"
    "                                    convert each SOURCE into DIR, named SOURCE's base name and the\n"
    "                                    profile's extension (the source's own without --profile), a\n"
    "                                    number added when two would meet: \"clip (2).mkv\"\n"
    "      --jobs N                      with --output-folder: at most N conversions at once (1)\n"
    "      --profile DESCRIPTION         apply a profile first (see 'profiles'); the options after it\n"
    "      --set PATH=VALUE              set an option of the tree, e.g. VideoOptions.FrameWidth=320,\n"
    "                                    AudioOptions.EncoderAudioCodecName=mp2, StartTime=2000000\n"
    "      --codec-option NAME=VALUE     a library codec or container option\n"
    "      --metadata KEY=VALUE          metadata of the output file\n"
    "      --stream-map FILE=STREAM      the input stream of the next output stream\n"
    "      --input SOURCE, --output TARGET   further inputs and outputs\n"
    "      --threads N                   decoder and encoder threads (0: the machine's choice); without\n"
    "                                    it the window's setting (Thread Count) holds\n"
    "      --target-size SIZE            make a file of SIZE bytes (25M, 700MiB ...) in two passes\n"
    "      --quiet                       no progress line\n"
    "      --verbose                     engine and library log lines on standard error\n"
    "      --dvd-title N                 SOURCE is a DVD (device, disc folder, VIDEO_TS folder or .iso):\n"
    "                                    convert its title N; with --dvd-chapters FIRST-LAST, --dvd-angle K\n"
    "      --save-task                   store the conversion in the task database, like the program\n"
    "  profiles                          list the profiles: category, description, extension (tab-separated)\n"
    "  dvd [PATH]                        list the titles of a DVD; without PATH the drives holding one\n"
    "  probe FILE                        the first video and audio stream's parameters, one per line\n"
    "  info FILE                         what a conversion makes of the source: interlacing, HDR and\n"
    "                                    colour, tracks, chapters and cover\n"
    "  snapshot FILE SECONDS OUT.png     the picture on screen at that time, as an image file\n"
    "  tasks [--database FILE]           list the stored tasks: ID, converting, category, date,\n"
    "                                    source, target, profile\n"
    "  version                           the program's and the media libraries' versions\n"
    "  help                              this text\n"
    "\n"
    "Exit status: 0 success, 1 the work failed, 2 usage error.\n";

int ShowVersion() {
  std::printf("Tesvanor %s\n%s\n", TESVANOR_VERSION, qPrintable(media::LibraryVersions()));
  return 0;
}

}  // namespace

namespace cli {

int UsageError(const QString& message) {
  std::fprintf(stderr, "tesvanor-cli: %s\nRun 'tesvanor-cli help' for the usage.\n", qPrintable(message));
  return 2;
}

}  // namespace cli

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  const QString command = args.value(0, QStringLiteral("help"));
  if (command == QLatin1String("help") || command == QLatin1String("--help") || command == QLatin1String("-h")) {
    std::fputs(Usage, stdout);
    return 0;
  }
  if (command == QLatin1String("version") || command == QLatin1String("--version")) return ShowVersion();
  if (command == QLatin1String("convert")) return cli::Convert(args.mid(1));
  if (command == QLatin1String("profiles")) return cli::Profiles(args.mid(1));
  if (command == QLatin1String("dvd")) return cli::Dvd(args.mid(1));
  if (command == QLatin1String("probe")) return cli::Probe(args.mid(1));
  if (command == QLatin1String("info")) return cli::Info(args.mid(1));
  if (command == QLatin1String("snapshot")) return cli::Snapshot(args.mid(1));
  if (command == QLatin1String("tasks")) return cli::Tasks(args.mid(1));
  return cli::UsageError(QStringLiteral("unknown command '%1'").arg(command));
}
