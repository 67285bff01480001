#include "harvest/keyword_set.h"

#include <climits>

namespace korvelin {

const Text& KeywordSet::Snapshot::At(int position) const {
  return (*keys_)[static_cast<std::size_t>(position) - 1];
}

KeywordSet::KeywordSet() : keys_(std::make_shared<std::deque<Text>>()) {}

bool KeywordSet::Add(std::string_view key) {
  if (index_.contains(key)) return false;
  const Text& stored = keys_->emplace_back(key);
  index_.insert(stored);
  return true;
}

KeywordSet::Snapshot KeywordSet::Keys() const { return Snapshot(keys_, Count()); }

int KeywordSet::Count() const {
  return keys_->size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX
                                                           : static_cast<int>(keys_->size());
}

}  // namespace korvelin
