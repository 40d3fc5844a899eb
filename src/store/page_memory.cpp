#include "store/page_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>

namespace kavo::page_memory {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapOnly = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kHeapOnly = true;
#else
constexpr bool kHeapOnly = false;
#endif
#else
constexpr bool kHeapOnly = false;
#endif

// A freed block, linked through its own first bytes.
struct FreeBlock {
  FreeBlock* next;
};

class Pool {
 public:
  char* Allocate(size_t granted) {
    std::lock_guard<std::mutex> lock(mutex_);
    // A block of the class, else one of a larger class up to twice the
    // size, which then serves this class for good: memory freed by pages
    // of one size (a load grows its pages) goes to pages of another (a
    // scan decodes them at their size) rather than lying idle.
    const size_t c = granted / kGrain - 1;
    for (size_t k = c; k < kClasses && k <= 2 * c + 1; ++k) {
      if (FreeBlock* block = free_[k]) {
        free_[k] = block->next;
        return reinterpret_cast<char*>(block);
      }
    }
    if (static_cast<size_t>(end_ - next_) < granted && !NewChunk()) return new char[granted];
    char* block = next_;
    next_ += granted;
    return block;
  }

  void Free(char* block, size_t granted) {
    std::lock_guard<std::mutex> lock(mutex_);
    FreeBlock*& head = free_[granted / kGrain - 1];
    auto* freed = reinterpret_cast<FreeBlock*>(block);
    freed->next = head;
    head = freed;
  }

 private:
  // REQUIRES: mutex_ held. The rest of the chunk before is left unused.
  bool NewChunk() {
    // Twice the size, so that a chunk aligned to its size lies within:
    // huge pages need the alignment.
    void* p = ::mmap(nullptr, 2 * kChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                     -1, 0);
    if (p == MAP_FAILED) return false;
    const auto start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t aligned = (start + kChunkBytes - 1) & ~(uintptr_t{kChunkBytes} - 1);
    if (aligned > start) ::munmap(p, aligned - start);
    const uintptr_t tail = start + 2 * kChunkBytes - (aligned + kChunkBytes);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + kChunkBytes), tail);
    // Only advice: without huge pages the chunk is faulted in 4 KB at a time.
    (void)::madvise(reinterpret_cast<void*>(aligned), kChunkBytes, MADV_HUGEPAGE);
    next_ = reinterpret_cast<char*>(aligned);
    end_ = next_ + kChunkBytes;
    return true;
  }

  std::mutex mutex_;
  FreeBlock* free_[kClasses] = {};
  char* next_ = nullptr;  // the unused rest of the newest chunk
  char* end_ = nullptr;
};

Pool& ThePool() {
  // Never destroyed: blocks may be freed by objects destroyed at exit.
  static Pool* pool = new Pool;
  return *pool;
}

}  // namespace

size_t Granted(size_t n) {
  if (n == 0) return kGrain;
  return n <= kLargest ? (n + kGrain - 1) / kGrain * kGrain : n;
}

bool Pooled() {
  return !kHeapOnly;
}

char* Allocate(size_t n) {
  const size_t granted = Granted(n);
  if (kHeapOnly || granted > kLargest) return new char[granted];
  return ThePool().Allocate(granted);
}

void Free(char* block, size_t granted) {
  if (block == nullptr) return;
  if (kHeapOnly || granted > kLargest) {
    delete[] block;
    return;
  }
  ThePool().Free(block, granted);
}

}  // namespace kavo::page_memory
