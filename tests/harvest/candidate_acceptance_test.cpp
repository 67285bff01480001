#include "harvest/candidate_acceptance.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/harvest/fake_window.h"

namespace korvelin {
namespace {

using namespace ::korvelin::testing;

// One run from the seed, whose page offers `candidates` in order (the n-th one right after the
// n-th call of ProcessPendingEvents); gives the results box in UTF-8.
struct Filters {
  bool mustContain = false;     // 选择框1 when the run starts
  bool exclude = false;         // 选择框2 when the run starts
  const char* exclusions = "";  // 编辑框4, UTF-8
};
std::string Harvest(const char* seed, Filters filters, std::vector<const char*> candidates,
                    std::vector<Event> events = {}) {
  Harness h;
  h.window.checked[Control::选择框1] = filters.mustContain;
  h.window.checked[Control::选择框2] = filters.exclude;
  h.window.text(Control::编辑框4) = G(filters.exclusions);
  h.Run(seed, {{seed, {candidates, {}}}}, std::move(events));
  return U(h.window.text(Control::编辑框2));
}

TEST(CandidateAcceptance, Filters) {
  struct Case {
    const char* name;
    const char* seed;
    Filters filters;
    std::vector<const char*> candidates;
    const char* expected;
  };
  const Case cases[] = {
      {"no filter: new ones once, the empty one too",
       "减肥",
       {},
       {"a", "b", "a", "", "减肥"},
       "a\r\nb\r\n\r\n"},
      {"exclusion is byte for byte",
       "减肥",
       {false, true, "茶\r\nAB\r\nx "},
       {"奶茶", "ab", "AB1", "x", "x y"},
       "ab\r\nx\r\n"},
      {"a final line break adds no entry", "减肥", {false, true, "茶\r\n"}, {"茶", "a"}, "a\r\n"},
      {"blank lines exclude nothing",
       "减肥",
       {false, true, "\r\n茶\r\n\r\nb"},
       {"a", "奶茶", "b"},
       "a\r\n"},
      {"a list of blank lines only", "减肥", {false, true, "\r\n\r\n"}, {"a"}, "a\r\n"},
      {"the empty candidate is never excluded", "减肥", {false, true, "茶"}, {""}, "\r\n"},
      {"an entry never matches a trail byte", "减肥", {false, true, "["}, {"覽", "覽["}, "覽\r\n"},
      {"list unchecked at the start is empty", "减肥", {false, false, "a"}, {"a"}, "a\r\n"},
      {"must contain the seed box text",
       "减肥",
       {true, false, ""},
       {"减肥茶", "茶", ""},
       "减肥茶\r\n"},
      {"must contain an empty seed box", "", {true, false, ""}, {"a", ""}, "a\r\n"},
      {"must contain is case-sensitive", "ab", {true, false, ""}, {"AB", "xab"}, "xab\r\n"},
      {"exclusion before must-contain",
       "减肥",
       {true, true, "茶"},
       {"减肥茶", "减肥药", "药"},
       "减肥药\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Harvest(c.seed, c.filters, c.candidates), c.expected);
  }
}

TEST(CandidateAcceptance, CheckBoxesAndSeedBoxAreReadAtEachCandidate) {
  struct Case {
    const char* name;
    Filters filters;
    std::vector<Event> events;
    const char* expected;
    std::vector<const char*> candidates = {"a1", "a2", "a3"};
  };
  const Event toggleExclude{0, Kind::kToggle, "", Control::选择框2};
  auto at = [](int call, Event e) {
    e.call = call;
    return e;
  };
  const Case cases[] = {
      {"checking the exclusion box later excludes nothing",
       {false, false, "a"},
       {at(1, toggleExclude)},
       "a1\r\na2\r\na3\r\n"},
      {"unchecked then checked again applies the list read at the start",
       {false, true, "a"},
       {at(2, toggleExclude), at(3, toggleExclude)},
       "a2\r\n"},
      {"a candidate left out is tested again when offered again",
       {true, false, ""},
       {at(3, {0, Kind::kToggle})},
       "a1\r\n",
       {"a1", "a2", "a1"}},
      {"must-contain follows edits of the seed box",
       {true, false, ""},
       {at(2, {0, Kind::kEditSeed, "a"})},
       "a2\r\na3\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Harvest("x", c.filters, c.candidates, c.events), c.expected);
  }
}

}  // namespace
}  // namespace korvelin
