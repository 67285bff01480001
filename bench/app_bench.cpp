// The window under a long run: whether the results box slows down as it fills.
#include <QApplication>
#include <QtGlobal>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "app/qt_window_services.h"
#include "bench/figures.h"
#include "text/codepage.h"

namespace korvelin::bench {
namespace {

using Clock = std::chrono::steady_clock;

// 100 000 keywords appended to the results box as the harvest appends them, the pending events
// handled (and the box repainted) before every tenth: the time for the last 10 000 against the
// time for the first 10 000. On Qt's offscreen platform, with the window shown. (The harvest
// handles the events before every candidate; a repaint costs some 0.4 ms here, whatever the
// size of the box, so every tenth keeps the figure's run short and still repaints the box a
// thousand times at each size measured.)
double ResultsBoxLastAgainstFirst() {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "korvelin_bench";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  MainWindow window;
  window.show();
  QtWindowServices services(window);
  const std::string stem = Utf8ToGbkBytes("减肥方法");

  constexpr int kKeywords = 100'000, kMeasured = 10'000;
  Clock::duration first{}, last{};
  for (int i = 0; i < kKeywords; ++i) {
    const std::string line = stem + std::to_string(i) + "\r\n";
    const Clock::time_point start = Clock::now();
    if (i % 10 == 0) services.ProcessPendingEvents();
    services.AppendText(Control::编辑框2, line);
    const Clock::duration spent = Clock::now() - start;
    if (i < kMeasured) first += spent;
    if (i >= kKeywords - kMeasured) last += spent;
  }
  const auto ms = [](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
  };
  std::printf("results box: first 10 000 keywords %.0f ms, last 10 000 %.0f ms\n", ms(first),
              ms(last));
  return ms(last) / ms(first);
}

const bool registered = [] {
  MeasureFigure("Results box, last / first 10 000 appends", AtMost(1.5),
                ResultsBoxLastAgainstFirst);
  return true;
}();

}  // namespace
}  // namespace korvelin::bench
