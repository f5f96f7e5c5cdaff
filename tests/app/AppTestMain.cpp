// Runs the window tests headless: one QApplication for the whole run, with
// settings and configuration folders of its own (the file dialog keeps its
// history there).
#include <QStandardPaths>

#include "tests/support/WidgetTestRun.h"

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);
  return RunWidgetTests(argc, argv);
}
