// tesvanor-cli: the conversion engine from the command line.

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "media/MediaLibraries.h"

namespace {

const char* const Usage =
    "Usage: tesvanor-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  help                 show this text\n"
    "  version              show the program's and the media libraries' versions\n";

int ShowVersion() {
  std::printf("Tesvanor %s\n%s\n", TESVANOR_VERSION, qPrintable(media::LibraryVersions()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  const QString command = args.value(0, QStringLiteral("help"));
  if (command == QLatin1String("help") || command == QLatin1String("--help") || command == QLatin1String("-h")) {
    std::fputs(Usage, stdout);
    return 0;
  }
  if (command == QLatin1String("version") || command == QLatin1String("--version")) return ShowVersion();
  std::fprintf(stderr, "tesvanor-cli: unknown command '%s'\n\n%s", qPrintable(command), Usage);
  return 2;
}
