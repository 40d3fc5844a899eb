// Consistency checks of a store file for kavo-tool check and the tests: the
// page tree (levels, separators equal to their children's first records,
// record order across all pages, page sizes matching their regions, every
// region slot used by exactly one page) and the header.
//
// The checks of one table (row counter, and every key holding exactly the
// entries its rows produce) are Table::Verify.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "runtime/status.h"

namespace kavo {

class StoreFile;

struct TreeReport {
  std::vector<std::string> problems;  // empty when sound
  int depth = 0;                      // levels of the tree, 1 for a lone leaf
  size_t pages = 0;
  size_t records = 0;
};

// Walks the whole page tree of sf inside one read operation. A damaged page
// that cannot be read ends the walk with its error (36 or 90).
Status VerifyTree(StoreFile& sf, TreeReport* report);

}  // namespace kavo
