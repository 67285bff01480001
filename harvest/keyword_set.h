// The keywords one harvest knows: distinct texts in the order in which they were first added.
//
// Two keys are the same only when their bytes are identical: no case folding, no trimming, no
// normalisation. The empty text is a key like any other. Keys are never removed.
//
// Example:
//   KeywordSet set;
//   set.Add("a");                          // true
//   KeywordSet::Snapshot keys = set.Keys();
//   set.Add("a");                          // false: already there
//   set.Add("b");                          // true; `keys` still holds "a" only
//   keys.Count() == 1 && keys.At(1) == "a"
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "text/text_primitives.h"

namespace korvelin {

class KeywordSet {
 public:
  // The keys as they stood when Keys() was called, in insertion order, positions 1-based.
  // Adding to the set later never changes a snapshot, and a snapshot stays valid after the set
  // is gone. Taking one costs the same whatever the number of keys: keys are only ever
  // appended, so a snapshot is a counted view of storage it shares with the set.
  class Snapshot {
   public:
    Snapshot() = default;  // empty

    [[nodiscard]] int Count() const { return count_; }
    // The key at 1-based `position`; 1 <= position <= Count() is the caller's to ensure.
    [[nodiscard]] const Text& At(int position) const;

   private:
    friend class KeywordSet;
    Snapshot(std::shared_ptr<const std::deque<Text>> keys, int count)
        : keys_(std::move(keys)), count_(count) {}

    std::shared_ptr<const std::deque<Text>> keys_;
    int count_ = 0;
  };

  KeywordSet();
  // Neither copied nor moved: the index points into the storage. Snapshots are the copies.
  KeywordSet(const KeywordSet&) = delete;
  KeywordSet& operator=(const KeywordSet&) = delete;

  // True when `key` was not yet present; it is then stored after the last key. False leaves
  // the set unchanged, and so does a set that holds 4 294 967 294 keys already. Expected
  // constant time.
  bool Add(std::string_view key);

  [[nodiscard]] Snapshot Keys() const;

  // The number of keys, clamped to INT_MAX.
  [[nodiscard]] int Count() const;

 private:
  // A place in the index: the upper half of a key's hash, and 1 + the key's position in
  // `keys_`; 0 there marks a free place.
  struct Slot {
    uint32_t hash = 0;
    uint32_t key = 0;
  };

  void Grow();

  // Append-only: a deque never moves its elements when it grows, so the snapshots' positions
  // stay valid.
  std::shared_ptr<std::deque<Text>> keys_;
  // Open addressing with linear probing over a power-of-two number of places, at most half of
  // them taken; a key's first place comes from its stored hash. One flat array of 8-byte
  // places: a look-up in a set of millions reads one place (a cache miss), and the key itself
  // only when the hashes agree; growing copies the places without touching a key. (A node per
  // key, as std::unordered_set has it, costs a miss more per look-up and one per key to grow.)
  std::vector<Slot> slots_;
};

}  // namespace korvelin
