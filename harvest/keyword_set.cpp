#include "harvest/keyword_set.h"

#include <climits>
#include <functional>

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr size_t kFirstSlots = 64;
constexpr size_t kMaxKeys = UINT32_MAX - 1;  // key numbers 1..UINT32_MAX-1 fit a slot

uint32_t HashOf(std::string_view key) {
  return static_cast<uint32_t>(std::hash<std::string_view>{}(key) >> 32);
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

const Text& KeywordSet::Snapshot::At(int position) const {
  return (*keys_)[static_cast<std::size_t>(position) - 1];
}

KeywordSet::KeywordSet() : keys_(std::make_shared<std::deque<Text>>()), slots_(kFirstSlots) {}

bool KeywordSet::Add(std::string_view key) {
  const uint32_t hash = HashOf(key);
  const size_t mask = slots_.size() - 1;
  size_t i = hash & mask;
  for (; slots_[i].key != 0; i = (i + 1) & mask) {
    if (slots_[i].hash == hash && (*keys_)[slots_[i].key - 1] == key) return false;
  }
  if (keys_->size() >= kMaxKeys) return false;
  keys_->emplace_back(key);
  slots_[i] = {hash, static_cast<uint32_t>(keys_->size())};
  if (keys_->size() * 2 > slots_.size()) Grow();
  return true;
}

void KeywordSet::Grow() {
  std::vector<Slot> grown(slots_.size() * 2);
  const size_t mask = grown.size() - 1;
  for (const Slot& slot : slots_) {
    if (slot.key == 0) continue;
    size_t i = slot.hash & mask;
    while (grown[i].key != 0) i = (i + 1) & mask;
    grown[i] = slot;
  }
  slots_.swap(grown);
}

KeywordSet::Snapshot KeywordSet::Keys() const { return Snapshot(keys_, Count()); }

int KeywordSet::Count() const {
  return keys_->size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX
                                                           : static_cast<int>(keys_->size());
}

}  // namespace korvelin
