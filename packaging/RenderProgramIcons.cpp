// Writes the program's picture as PNG files in the layout of a freedesktop
// icon theme: <folder>/<n>x<n>/apps/pelmor.png for every icon theme size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "app/ProgramIcon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <icon theme folder>\n", argv[0]);
    return 2;
  }
  // Painting needs a GUI application object, but no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);

  const QDir theme(QString::fromLocal8Bit(argv[1]));
  for (const int size : kProgramIconSizes) {
    const QString folder = QStringLiteral("%1x%1/apps").arg(size);
    const QString file = theme.filePath(folder + QStringLiteral("/pelmor.png"));
    if (!theme.mkpath(folder) || !ProgramIconImage(size).save(file, "PNG")) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
      return 1;
    }
  }
  return 0;
}
