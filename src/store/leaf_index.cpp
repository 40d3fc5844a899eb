#include "store/leaf_index.h"

namespace kavo {

std::shared_ptr<Page> LeafIndex::Find(std::string_view key) {
  auto it = leaves_.upper_bound(Key{KeyHead::Of(key), key});
  if (it == leaves_.begin()) return nullptr;
  --it;
  if (key > it->second.last) return nullptr;
  std::shared_ptr<Page> page = it->second.page.lock();
  if (!page) leaves_.erase(it);
  return page;
}

void LeafIndex::Add(const std::shared_ptr<Page>& leaf) {
  if (!leaf->leaf() || leaf->records.empty()) return;
  if (leaves_.size() >= kMaxLeaves) leaves_.clear();
  const std::string_view first = leaf->records.front().key();
  const Key probe{KeyHead::Of(first), first};
  auto it = leaves_.lower_bound(probe);
  if (it == leaves_.end() || Order()(probe, it->first))
    it = leaves_.emplace_hint(it, First{probe.head, std::string(first)}, Leaf());
  it->second.last.assign(leaf->records.back().key());
  it->second.page = leaf;
}

}  // namespace kavo
