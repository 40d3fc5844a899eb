// What every benchmark needs around its figures: failing loudly with the
// benchmark's name, a stopwatch, the figure line, the command-line options
// and a scratch directory that goes when the run ends.
//
// A figure line reads "figure <name> ours <seconds> sqlite <seconds> ratio
// <ours/sqlite>"; scripts collect the figures by that shape.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "runtime/errors.h"
#include "runtime/status.h"

namespace kavo::bench {

// The benchmark's name in its messages; main sets it first.
inline const char* program_name = "kavo-bench";

[[noreturn]] inline void Die(const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", program_name, what.c_str());
  std::exit(1);
}

inline void Check(const Status& st, const char* what) {
  if (!st.ok()) Die(std::string(what) + ": " + ErrorText(st.code()) + " " + st.detail());
}

// Wall-clock seconds; with KAVO_BENCH_CLOCK=cpu in the environment, the
// processor time of the process instead (user and system), which other
// work on a busy machine disturbs far less. Figures to report are wall-clock.
class Stopwatch {
 public:
  Stopwatch() : start_(Now()) {}
  double Seconds() const { return Now() - start_; }

 private:
  static double Now() {
    static const bool cpu = [] {
      const char* clock = std::getenv("KAVO_BENCH_CLOCK");
      return clock != nullptr && std::strcmp(clock, "cpu") == 0;
    }();
    timespec t{};
    clock_gettime(cpu ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }

  double start_;
};

// bytes: whole numbers (file sizes) rather than seconds.
inline void Figure(const char* name, double ours, double sqlite, bool bytes = false) {
  const double ratio = sqlite > 0 ? ours / sqlite : 0;
  std::printf(bytes ? "figure %s ours %.0f sqlite %.0f ratio %.3f\n"
                    : "figure %s ours %.6f sqlite %.6f ratio %.3f\n",
              name, ours, sqlite, ratio);
  std::fflush(stdout);
}

// The options the benchmarks take: --rows N and --dir DIR, and --adds N
// where the benchmark has it (adds < 0 says it has not).
struct Options {
  int rows = 0;
  int adds = -1;
  std::string dir;
};

// Parses argv over the defaults in *options; a wrong option prints the usage
// and ends the program. min_rows: the fewest rows the benchmark works with.
inline void ParseOptions(int argc, char** argv, int min_rows, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool value = i + 1 < argc;
    if (arg == "--rows" && value) {
      options->rows = std::atoi(argv[++i]);
    } else if (arg == "--adds" && value && options->adds >= 0) {
      options->adds = std::atoi(argv[++i]);
    } else if (arg == "--dir" && value) {
      options->dir = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--rows N]%s [--dir DIR]\n", program_name,
                   options->adds >= 0 ? " [--adds N]" : "");
      std::exit(2);
    }
  }
  if (options->rows < min_rows || options->rows > 9999999) {
    Die("--rows takes " + std::to_string(min_rows) + " to 9999999");
  }
}

// The directory the files go to: the one given, or a fresh one under base,
// removed with everything in it when the run ends.
class ScratchDir {
 public:
  ScratchDir(const std::string& given, const std::filesystem::path& base) : path_(given) {
    if (!path_.empty()) {
      // A directory given that is not there yet is made, as a later run
      // reuses what this one loads into it.
      std::error_code error;
      std::filesystem::create_directories(path_, error);
      if (error) Die("cannot make the directory " + path_ + ": " + error.message());
      return;
    }
    std::string pattern = (base / "kavo-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Die("cannot make a temporary directory");
    path_ = pattern;
    own_ = true;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (own_) std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool own_ = false;
};

}  // namespace kavo::bench
