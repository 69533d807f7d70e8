// Tesvanor: the desktop program.

#include <QApplication>

#include "app/Startup.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  return RunProgram(application);
}
