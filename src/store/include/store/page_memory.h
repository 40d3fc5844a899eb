// Memory for decoded pages: their record bytes, their vectors of slots and
// children, and the Page objects themselves.
//
// The reserve beneath the page cache fills with tens of megabytes of decoded
// pages as a walk goes on. Taken from the heap, every new 4 KB of them costs
// a page fault, and the heap grows a few pages at a time: on a virtual
// machine that is more than reading the page from the file. Here blocks are
// carved from chunks of kChunkBytes that the system is asked to back with
// huge pages, one fault per chunk where it agrees.
//
// A block is of one of kClasses sizes, a multiple of kGrain up to kLargest;
// a freed block joins the list of its class and serves the next request of
// that size, or, when a smaller class up to half its size has none, of that
// class, which it then keeps. Chunks are kept for the life of the process: what the reserve
// held once, it will hold again. Larger requests, a system that gives no
// chunk, and builds under a sanitizer (which must see every block on its
// own) use the heap.
//
// Threading: any thread; the lists have a mutex of their own.
#pragma once

#include <cstddef>

namespace kavo::page_memory {

inline constexpr size_t kGrain = 256;
inline constexpr size_t kLargest = 16 << 10;
inline constexpr size_t kClasses = kLargest / kGrain;
inline constexpr size_t kChunkBytes = 2 << 20;

// The bytes a request of n is given: n rounded up to its class (at least
// one grain).
size_t Granted(size_t n);
// A block of Granted(n) bytes.
char* Allocate(size_t n);
// Gives back a block from Allocate; granted is Granted(n) of its request.
void Free(char* block, size_t granted);

// False in builds that take every block from the heap.
bool Pooled();

// Deleter for blocks held by a unique_ptr<char[]>.
struct Deleter {
  size_t granted = 0;
  void operator()(char* block) const { Free(block, granted); }
};

// An allocator over these blocks, for the vectors of decoded pages.
template <class T>
struct Allocator {
  using value_type = T;
  Allocator() = default;
  template <class U>
  Allocator(const Allocator<U>&) {}  // NOLINT: converting, as allocators are
  T* allocate(size_t n) { return reinterpret_cast<T*>(Allocate(n * sizeof(T))); }
  void deallocate(T* p, size_t n) { Free(reinterpret_cast<char*>(p), Granted(n * sizeof(T))); }
  template <class U>
  bool operator==(const Allocator<U>&) const {
    return true;
  }
};

}  // namespace kavo::page_memory
