// Korvelin: turns one seed keyword into a growing list of related search keywords.
#include <QApplication>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  korvelin::MainWindow window;
  window.show();
  return QApplication::exec();
}
