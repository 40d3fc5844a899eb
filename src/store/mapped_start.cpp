#include "store/mapped_start.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <atomic>
#include <cstring>

namespace kavo {
namespace {

// The guard of the comparison running on this thread, if any.
thread_local sigjmp_buf* t_guard = nullptr;
struct sigaction g_previous_bus_handler;

extern "C" void OnBusError(int signal_number, siginfo_t* info, void* context) {
  if (sigjmp_buf* guard = t_guard) {
    t_guard = nullptr;
    siglongjmp(*guard, 1);
  }
  const struct sigaction& before = g_previous_bus_handler;
  if ((before.sa_flags & SA_SIGINFO) != 0 && before.sa_sigaction != nullptr) {
    before.sa_sigaction(signal_number, info, context);
    return;
  }
  if ((before.sa_flags & SA_SIGINFO) == 0 && before.sa_handler != SIG_DFL &&
      before.sa_handler != SIG_IGN) {
    before.sa_handler(signal_number);
    return;
  }
  // Returning repeats the faulting access, which now ends the process as it
  // would have without us.
  ::signal(SIGBUS, SIG_DFL);
}

bool GuardInstalled() {
  static bool installed = [] {
    struct sigaction action = {};
    action.sa_sigaction = OnBusError;
    // SA_NODEFER: the guard leaves the handler by a jump, so the signal must
    // not stay blocked behind it.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, &g_previous_bus_handler) == 0;
  }();
  return installed;
}

}  // namespace

MappedStart::~MappedStart() {
  if (start_ != nullptr) ::munmap(start_, kBytes);
}

bool MappedStart::Map(int fd, size_t min_size) {
  if (start_ != nullptr) return true;
  struct stat st;
  if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(min_size)) return false;
  if (!GuardInstalled()) return false;
  void* p = ::mmap(nullptr, kBytes, PROT_READ, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) return false;
  start_ = p;
  return true;
}

bool MappedStart::Equals(const void* expected, size_t n) const {
  if (start_ == nullptr || n > kBytes) return false;
  sigjmp_buf guard;
  // The mask is not saved (that would cost a system call); the handler runs
  // with SA_NODEFER, so the jump leaves it as it was.
  if (sigsetjmp(guard, 0) != 0) return false;
  t_guard = &guard;
  // The fences keep the compiler from moving the guard's stores across the
  // comparison: to it, memcmp cannot see them, but the handler does.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  bool same = std::memcmp(start_, expected, n) == 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  t_guard = nullptr;
  return same;
}

}  // namespace kavo
