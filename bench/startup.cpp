// Start-up time of the program: from starting the process to the frame
// drawn on the screen.
//
// Without arguments it starts itself --runs times (default 15) as a child in
// a fresh working directory and reports the fastest, median and slowest
// time. A child builds the program exactly as `kavo` does and reports the
// moment the frame's first paint has been handled; the time between the
// parent's spawn and that moment includes loading the libraries. The child
// links the same code as `kavo`, so the figure is the program's own. The
// processor time the child used is reported too: on a busy machine it shows
// what the program itself costs when the wall-clock figure is inflated by
// waiting for a processor.
//
//   kavo_startup_bench [--runs N] [--grab FILE]
//
// --grab saves one more run's screen (frame and splash) to FILE for a look.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"

extern char** environ;

namespace {

long long MonotonicNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Reports the end of the frame's first paint, then ends the child.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(const char* grab_file) : grab_file_(grab_file) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // Runs once the paint and the flush to the screen are done.
      QTimer::singleShot(0, [this] { Report(); });
    }
    return false;
  }

 private:
  void Report() {
    long long shown = MonotonicNs();
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    long long cpu_us = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL +
                       usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    std::printf("shown %lld\ncpu %lld\n", shown, cpu_us);
    std::fflush(stdout);
    if (!grab_file_) {
      QApplication::quit();
      return;
    }
    // Give the splash's animation a moment before the picture is taken.
    QTimer::singleShot(1500, [this] {
      QGuiApplication::primaryScreen()->grabWindow(0).save(grab_file_);
      QApplication::quit();
    });
  }

  const char* grab_file_;
  bool seen_ = false;
};

int Child(int argc, char** argv, const char* grab_file) {
  std::printf("main %lld\n", MonotonicNs());
  QApplication app(argc, argv);
  kavo::Program program;
  FirstPaint watcher(grab_file);
  // The filter must be in place before the frame is shown.
  app.installEventFilter(&watcher);
  program.OpenFrame();
  return QApplication::exec();
}

struct Timing {
  double loaded_ms = -1;  // spawn to main(): loading the program and its libraries
  double shown_ms = -1;   // spawn to the frame's first paint
  double cpu_ms = -1;     // processor time the child used until then
};

// Starts one child in dir and measures it; negative times when it failed.
Timing RunOnce(const std::string& self, const std::string& dir, const char* grab_file) {
  Timing timing;
  int out[2];
  if (pipe(out) != 0) return timing;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<std::string> args = {self, "--child"};
  if (grab_file) {
    args.push_back("--grab");
    args.push_back(grab_file);
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  pid_t pid = 0;
  long long start = MonotonicNs();
  int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  std::filesystem::current_path(previous);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return timing;
  }
  std::string text;
  char buffer[256];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  long long entered = 0, shown = 0, cpu_us = 0;
  if (std::sscanf(text.c_str(), "main %lld\nshown %lld\ncpu %lld", &entered, &shown, &cpu_us) !=
      3) {
    return timing;
  }
  timing.cpu_ms = static_cast<double>(cpu_us) / 1e3;
  timing.loaded_ms = static_cast<double>(entered - start) / 1e6;
  timing.shown_ms = static_cast<double>(shown - start) / 1e6;
  return timing;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 15;
  const char* grab_file = nullptr;
  bool child = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--child") == 0) child = true;
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) runs = std::atoi(argv[++i]);
    if (std::strcmp(argv[i], "--grab") == 0 && i + 1 < argc) grab_file = argv[++i];
  }
  if (child) return Child(argc, argv, grab_file);
  runs = std::max(runs, 1);

  std::string self = std::filesystem::read_symlink("/proc/self/exe");
  char pattern[] = "/tmp/kavo_startup_XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string dir = pattern;
  std::vector<double> times, loads, cpus;
  RunOnce(self, dir, nullptr);  // warms the file cache, not counted
  for (int i = 0; i < runs; ++i) {
    Timing t = RunOnce(self, dir, nullptr);
    if (t.shown_ms < 0) {
      std::fprintf(stderr, "startup run %d failed\n", i + 1);
      return 1;
    }
    times.push_back(t.shown_ms);
    loads.push_back(t.loaded_ms);
    cpus.push_back(t.cpu_ms);
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "start to frame shown, %d runs: min %.1f ms, median %.1f ms, max %.1f ms "
      "(median %.1f ms before main; median processor time %.1f ms)\n",
      runs, times.front(), Median(times), times.back(), Median(loads), Median(cpus));
  if (grab_file) {
    std::string absolute = std::filesystem::absolute(grab_file);
    RunOnce(self, dir, absolute.c_str());
    std::printf("screen saved to %s\n", absolute.c_str());
  }
  std::filesystem::remove_all(dir);
  return 0;
}
