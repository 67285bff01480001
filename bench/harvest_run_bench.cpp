// The whole harvest, the click handler of 按钮1 with the real candidate sources and the real
// window (shown on Qt's offscreen platform), against the tests' stand-in search service on
// loopback: how close it comes to the network's limit, what it costs beyond its requests, and
// how much memory a long run holds per keyword.
#include <unistd.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/qt_window_services.h"
#include "bench/figures.h"
#include "harvest/candidate_sources.h"
#include "harvest/harvest_run.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/search_standin.h"
#include "text/codepage.h"
#include "web/request_url.h"
#include "web/web_request.h"

namespace korvelin::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Seconds on the clock and seconds of this thread's processor time.
struct Spent {
  double wall = 0, processor = 0;
};

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class Stopwatch {
 public:
  [[nodiscard]] Spent Read() const {
    return {std::chrono::duration<double>(Clock::now() - wall_).count(),
            ThreadSeconds() - processor_};
  }

 private:
  Clock::time_point wall_ = Clock::now();
  double processor_ = ThreadSeconds();
};
using testing::GraphNode;
using testing::SearchStandIn;

// The keyword numbered n.
std::string Word(long n) { return "词" + std::to_string(n); }

// An endless tree whose keywords a breadth-first walk visits in the order of their numbers:
// each page offers `fanOut` children and the suggestions offer them again, as a real visit
// offers some twenty candidates of which about half are new.
SearchStandIn::Graph Tree(long fanOut = 10) {
  return [fanOut](const std::string& keyword) {
    GraphNode node;
    const long n = std::stol(keyword.substr(std::string("词").size()));
    for (long child = n * fanOut + 1; child <= n * fanOut + fanOut; ++child) {
      node.related.push_back(Word(child));
    }
    node.suggestions = node.related;
    return node;
  };
}

// One application and main window, shown offscreen, for a figure's run.
struct Window {
  Window() : application(MakeApplication()) {
    window.show();
    services.ProcessPendingEvents();
  }
  static std::unique_ptr<QApplication> MakeApplication() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "korvelin_bench";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
  }
  std::unique_ptr<QApplication> application;
  MainWindow window;
  QtWindowServices services{window};
};

// Harvests `service` from the keyword 词0 until `enough` holds after a visit, then stops as a
// click on 按钮1 would; gives the time the run took.
Spent HarvestUntil(SearchStandIn& service, Window& shown,
                   const std::function<bool(const HarvestRun&)>& enough) {
  shown.services.SetText(Control::编辑框1, Utf8ToGbkBytes(Word(0)));
  const SourcePrefixes prefixes{service.RelatedSearchesPrefix(), service.SuggestionsPrefix()};
  const Stopwatch stopwatch;
  On按钮1Click(shown.services, [&](HarvestRun& run, const Text& keyword, WindowServices& w) {
    CollectCandidates(run, keyword, w, prefixes);
    if (enough(run)) w.SetText(Control::按钮1, Utf8ToGbkBytes("开始采集"));
  });
  return stopwatch.Read();
}

// A run of `visits` visits in `shown`, its results box emptied first.
Spent Harvest(SearchStandIn& service, Window& shown, long visits) {
  shown.services.SetText(Control::编辑框2, "");
  shown.services.ProcessPendingEvents();
  return HarvestUntil(service, shown,
                      [visits](const HarvestRun& run) { return run.cursor >= visits; });
}

// The same requests made directly, one after the other, as the harvest makes them.
Spent BareRequests(SearchStandIn& service, long visits) {
  const Stopwatch stopwatch;
  for (long n = 0; n < visits; ++n) {
    for (const std::string& prefix :
         {service.RelatedSearchesPrefix(), service.SuggestionsPrefix()}) {
      WebRequestParams params;
      params.url = prefix + QueryComponent(Utf8ToGbkBytes(Word(n)));
      params.timeoutSeconds = 3;
      (void)WebRequest(params);
    }
  }
  return stopwatch.Read();
}

constexpr long kVisits = 500;

// Visits a second against the limit that a 20 ms reply sets for two requests in a row.
double AgainstTheNetworksLimit() {
  testing::ScopedEnvironment direct = testing::WithoutProxyVariables();
  SearchStandIn service(std::chrono::milliseconds(20), Tree());
  Window shown;
  const double seconds = Harvest(service, shown, kVisits).wall;
  const double limit = 1.0 / (2 * 0.020);
  std::printf("harvest, 20 ms a reply: %ld visits in %.2f s, %.1f visits/s (limit %.0f)\n", kVisits,
              seconds, kVisits / seconds, limit);
  return kVisits / seconds / limit;
}

// What the harvest takes against what its bare requests take, both with replies at once: the
// fastest of a few turns each, taken in turn. (The processor time of the thread that runs them
// is printed too.)
double OwnCost() {
  testing::ScopedEnvironment direct = testing::WithoutProxyVariables();
  SearchStandIn service(std::chrono::milliseconds(0), Tree());
  (void)BareRequests(service, 20);  // connections up, pages warm
  Window shown;
  Spent harvest{1e9, 1e9}, bare{1e9, 1e9};
  for (int turn = 0; turn < 5; ++turn) {
    const Spent h = Harvest(service, shown, kVisits), b = BareRequests(service, kVisits);
    harvest = {std::min(harvest.wall, h.wall), std::min(harvest.processor, h.processor)};
    bare = {std::min(bare.wall, b.wall), std::min(bare.processor, b.processor)};
  }
  std::printf("%ld visits: harvest %.3f s (processor %.3f s), its requests alone %.3f s (%.3f s)\n",
              kVisits, harvest.wall, harvest.processor, bare.wall, bare.processor);
  return harvest.wall / bare.wall;
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Resident memory per known keyword after a run that comes to know a million keywords, the
// results box included: each page offers a thousand new ones.
double MemoryPerKeyword() {
  testing::ScopedEnvironment direct = testing::WithoutProxyVariables();
  constexpr long kKeywords = 1'000'000;
  SearchStandIn service(std::chrono::milliseconds(0), Tree(1000));
  Window shown;
  const long before = ResidentKiB();
  long known = 0;
  (void)HarvestUntil(service, shown, [&known](const HarvestRun& run) {
    known = run.keywordSet.Count();
    return known >= kKeywords;
  });
  shown.window.Display().Flush();
  const long after = ResidentKiB();
  const int lines = static_cast<QPlainTextEdit*>(shown.window.ControlWidget(Control::编辑框2))
                        ->document()
                        ->blockCount() -
                    1;
  std::printf(
      "a run knowing %ld keywords, %d of them in the results box: resident %ld MiB "
      "before, %ld MiB after\n",
      known, lines, before / 1024, after / 1024);
  return static_cast<double>(after - before) * 1024.0 / static_cast<double>(known);
}

const bool registered = [] {
  MeasureFigure("Harvest visits/s / the network's limit", AtLeast(0.95), AgainstTheNetworksLimit);
  MeasureFigure("Harvest / its bare requests", AtMost(1.3), OwnCost);
  MeasureFigure("Resident bytes per known keyword", AtMost(1024), MemoryPerKeyword);
  return true;
}();

}  // namespace
}  // namespace korvelin::bench
