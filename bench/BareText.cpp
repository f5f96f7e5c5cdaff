// The yardstick for the start-up benchmark: a bare Qt Widgets program that
// shows one empty main window of the main window's client size.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.setFixedSize(623, 409);
  window.show();
  return QApplication::exec();
}
