#pragma once
// The program's picture (a film strip turning into a play button), from the
// resources ":/icons/tesvanor.svg" and ":/icons/tesvanor.png".

#include <QIcon>
#include <QPixmap>

// The icon of the program's windows. The bitmap stands in where Qt has no
// SVG support.
QIcon AppIcon();
// The picture at Size × Size pixels.
QPixmap AppPicture(int Size);
