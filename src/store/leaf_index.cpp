#include "store/leaf_index.h"

#include <algorithm>

namespace kavo {

void LeafIndex::Search(const std::vector<Entry>& part, const KeyHead& head, int32_t refs[],
                       size_t* n) {
  // Sorted and disjoint: only entries whose first heads equal the key's,
  // and the last entry below them with those sharing both its heads, may
  // hold the key.
  auto it = std::upper_bound(part.begin(), part.end(), head,
                             [](const KeyHead& h, const Entry& e) { return h < e.first; });
  const Entry* below = nullptr;
  while (it != part.begin() && *n < kMaxCandidates) {
    const Entry& e = *--it;
    if (e.last < head) return;
    if (e.first < head) {
      if (below != nullptr && !(e.first == below->first && e.last == below->last)) return;
      below = &e;
    }
    refs[(*n)++] = e.ref;
  }
}

size_t LeafIndex::Candidates(std::string_view key, int32_t refs[kMaxCandidates]) const {
  const KeyHead head = KeyHead::Of(key);
  size_t n = 0;
  Search(batch_, head, refs, &n);
  Search(main_, head, refs, &n);
  return n;
}

bool LeafIndex::Holds(const std::vector<Entry>& part, const Entry& e) {
  auto [from, to] = std::equal_range(part.begin(), part.end(), e, Before);
  return std::any_of(from, to, [&](const Entry& o) { return o.ref == e.ref; });
}

void LeafIndex::Add(const Page& leaf) {
  if (!leaf.leaf() || leaf.records.empty() || leaf.ref < 0) return;
  const Entry e{leaf.records.front().head, leaf.records.back().head, leaf.ref};
  // A leaf that left the cache and was reached by a descent again is known.
  if (Holds(main_, e) || Holds(batch_, e)) return;
  if (size() >= kMaxLeaves) Clear();
  batch_.insert(std::upper_bound(batch_.begin(), batch_.end(), e, Before), e);
  if (batch_.size() >= kBatch) Merge();
}

void LeafIndex::Merge() {
  spare_.resize(main_.size() + batch_.size());
  std::merge(main_.begin(), main_.end(), batch_.begin(), batch_.end(), spare_.begin(), Before);
  main_.swap(spare_);
  batch_.clear();
}

void LeafIndex::Clear() {
  main_.clear();
  batch_.clear();
}

}  // namespace kavo
