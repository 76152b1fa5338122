#include <QApplication>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  return 0; // the main window comes with the start-up code
}
