// Tesvanor: the desktop program.

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QLabel placeholder(QStringLiteral("Tesvanor"));
  placeholder.show();
  return application.exec();
}
