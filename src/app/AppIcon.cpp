#include "app/AppIcon.h"

#include <QImageReader>

// The resources live in a static library: referring to their registration
// makes sure the linker keeps them. (Outside any namespace, as the macro
// declares the registration function where it is used.)
static void RegisterResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(app);
    return true;
  }();
  (void)registered;
}

namespace {

bool CanReadSvg() { return QImageReader::supportedImageFormats().contains("svg"); }

}  // namespace

QIcon AppIcon() {
  RegisterResources();
  QIcon icon;
  if (CanReadSvg()) icon.addFile(QStringLiteral(":/icons/tesvanor.svg"));
  icon.addFile(QStringLiteral(":/icons/tesvanor.png"));
  return icon;
}

QPixmap AppPicture(int Size) { return AppIcon().pixmap(Size, Size); }
