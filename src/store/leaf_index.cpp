#include "store/leaf_index.h"

#include <algorithm>

namespace kavo {

LeafIndex::Place LeafIndex::UpperBound(const Entry& e) const {
  auto front = std::upper_bound(fronts_.begin(), fronts_.end(), e, Before);
  if (front == fronts_.begin()) return {0, 0};
  const size_t b = static_cast<size_t>(front - fronts_.begin()) - 1;
  const std::vector<Entry>& bucket = buckets_[b];
  return {b, static_cast<size_t>(std::upper_bound(bucket.begin(), bucket.end(), e, Before) -
                                 bucket.begin())};
}

bool LeafIndex::StepBack(Place* at) const {
  if (at->index > 0) {
    --at->index;
    return true;
  }
  if (at->bucket == 0) return false;
  --at->bucket;
  at->index = buckets_[at->bucket].size() - 1;
  return true;
}

size_t LeafIndex::Candidates(std::string_view key, int32_t refs[kMaxCandidates]) const {
  const KeyHead head = KeyHead::Of(key);
  const auto after_head = [](const KeyHead& h, const Entry& e) { return h < e.first; };
  // The first entry whose first head is above the key's lies in the bucket
  // before the first whose front's is.
  auto front = std::upper_bound(fronts_.begin(), fronts_.end(), head, after_head);
  if (front == fronts_.begin()) return 0;
  const size_t b = static_cast<size_t>(front - fronts_.begin()) - 1;
  const std::vector<Entry>& bucket = buckets_[b];
  Place at{b, static_cast<size_t>(std::upper_bound(bucket.begin(), bucket.end(), head, after_head) -
                                  bucket.begin())};
  // Sorted and disjoint: only entries whose first heads equal the key's,
  // and the last entry below them with those sharing both its heads, may
  // hold the key.
  size_t n = 0;
  const Entry* below = nullptr;
  while (n < kMaxCandidates && StepBack(&at)) {
    const Entry& e = At(at);
    if (e.last < head) break;
    if (e.first < head) {
      if (below != nullptr && !(e.first == below->first && e.last == below->last)) break;
      below = &e;
    }
    refs[n++] = e.ref;
  }
  return n;
}

void LeafIndex::Add(const Page& leaf) {
  if (!leaf.leaf() || leaf.records.empty() || leaf.ref < 0) return;
  const Entry e{leaf.records.front().head, leaf.records.back().head, leaf.ref};
  Place at = UpperBound(e);
  // A leaf that left the cache and was reached by a descent again is known:
  // the entries equal to it lie just before its place.
  for (Place p = at; StepBack(&p) && !Before(At(p), e);) {
    if (At(p).ref == e.ref) return;
  }
  if (size_ >= kMaxLeaves) {
    Clear();
    at = {0, 0};
  }
  if (buckets_.empty()) {
    buckets_.emplace_back().reserve(kBucket);
    fronts_.push_back(e);
  }
  std::vector<Entry>& bucket = buckets_[at.bucket];
  bucket.insert(bucket.begin() + static_cast<std::ptrdiff_t>(at.index), e);
  if (at.index == 0) fronts_[at.bucket] = e;
  ++size_;
  if (bucket.size() < kBucket) return;
  // A full bucket gives its upper half to a new one after it.
  const auto half = bucket.begin() + static_cast<std::ptrdiff_t>(kBucket / 2);
  std::vector<Entry> upper;
  upper.reserve(kBucket);
  upper.assign(half, bucket.end());
  bucket.erase(half, bucket.end());
  const auto next = static_cast<std::ptrdiff_t>(at.bucket + 1);
  fronts_.insert(fronts_.begin() + next, upper.front());
  buckets_.insert(buckets_.begin() + next, std::move(upper));
}

void LeafIndex::Clear() {
  buckets_.clear();
  fronts_.clear();
  size_ = 0;
}

}  // namespace kavo
