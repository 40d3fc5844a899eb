// The journal on its own, below any store: a file of one-block pages whose
// contents name their version, committed from one version to the next with
// a crash at every write and flush in turn.
#include "store/journal.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fault_file.h"
#include "file_bytes.h"
#include "store/mem_file.h"

namespace kavo {
namespace {

using testing::FaultFileSystem;
using testing::Get32;
using testing::Put32;

constexpr char kPath[] = "J.VTF";

// A file state: page count and, per page, the version that last wrote it.
struct State {
  std::vector<int> versions;
  int32_t counter = 1;
};

std::string Header(const State& s) {
  std::string h(kHeaderSize, '\0');
  Put32(&h, 0, 0);
  h[4] = 0x00;
  h[5] = 0x02;  // 512
  std::memcpy(h.data() + header_field::kMagic, "qUaL", 4);
  Put32(&h, header_field::kChangeCounter, static_cast<uint32_t>(s.counter));
  Put32(&h, header_field::kRegionStart + 4, 0);
  Put32(&h, header_field::kRegionEnd + 4, static_cast<uint32_t>(s.versions.size()));
  uint64_t end = kHeaderSize + s.versions.size() * kBlockSize;
  Put32(&h, header_field::kCommittedEnd, static_cast<uint32_t>(end));
  Put32(&h, header_field::kJournalEnd, static_cast<uint32_t>(end));
  return h;
}

std::string Page(size_t index, int version) {
  std::string p(kBlockSize, static_cast<char>(0xB0));
  Put32(&p, 0, static_cast<uint32_t>(kHeaderSize + index * kBlockSize));
  p[4] = 40;
  p[5] = 0;
  for (size_t i = 6; i < 40; ++i)
    p[i] = static_cast<char>('a' + (index * 7 + version * 3 + i) % 26);
  return p;
}

std::string Image(const State& s) {
  std::string bytes = Header(s);
  for (size_t i = 0; i < s.versions.size(); ++i) bytes += Page(i, s.versions[i]);
  return bytes;
}

CommitSet Change(const State& from, const State& to) {
  CommitSet set;
  set.kept_header = Header(from);
  set.header = Header(to);
  set.old_end = kHeaderSize + from.versions.size() * kBlockSize;
  for (size_t i = 0; i < to.versions.size(); ++i) {
    if (i < from.versions.size() && from.versions[i] == to.versions[i]) continue;
    set.pages.push_back({kHeaderSize + i * kBlockSize, Page(i, to.versions[i])});
  }
  return set;
}

class NoLinks : public JournalResolver {
 public:
  Status FindLink(File* view, const std::string& header,
                  std::optional<TransactionLink>* link) override {
    seen_header = header;
    std::string first(kBlockSize, '\0');
    size_t got = 0;
    EXPECT_TRUE(view->Read(kHeaderSize, first.data(), first.size(), &got).ok());
    seen_first_page = first;
    if (link_) *link = link_;
    return Status::OK();
  }
  Status Listed(const TransactionLink& link, bool* listed) override {
    *listed = listed_ && link.number == link_->number;
    return Status::OK();
  }
  std::optional<TransactionLink> link_;
  bool listed_ = false;
  std::string seen_header;
  std::string seen_first_page;
};

// Opens the file and resolves a pending journal as a header read does.
Status Reopen(MemFileSystem* mem, JournalResolver* resolver, std::string* header,
              JournalOutcome* outcome) {
  std::unique_ptr<File> file;
  KAVO_RETURN_IF_ERROR(mem->Open(kPath, OpenMode::kReadWrite, false, &file));
  header->assign(kHeaderSize, '\0');
  size_t got = 0;
  KAVO_RETURN_IF_ERROR(file->Read(0, header->data(), kHeaderSize, &got));
  return ResolveJournal(file.get(), nullptr, resolver, header, outcome);
}

// Whether the file shows exactly state s: no journal pending, the regions and
// page contents of s (the counter may have moved on). A commit stopped before
// its journal was recorded may leave bytes after the end that nothing names.
bool Shows(const std::string& bytes, const State& s, bool exact_size = false) {
  uint64_t end = kHeaderSize + s.versions.size() * kBlockSize;
  if (bytes.size() < end || (exact_size && bytes.size() != end)) return false;
  uint32_t committed = Get32(bytes, header_field::kCommittedEnd);
  if (committed < end || Get32(bytes, header_field::kJournalEnd) != committed) return false;
  if (RegionEndOfFile(bytes.substr(0, kHeaderSize)) != end) return false;
  for (size_t i = 0; i < s.versions.size(); ++i) {
    if (bytes.compare(kHeaderSize + i * kBlockSize, kBlockSize, Page(i, s.versions[i])) != 0) {
      return false;
    }
  }
  return true;
}

// Commits from one state to the next on a file that already holds from.
Status CommitStep(File* file, const State& from, const State& to, CommitResult* result) {
  return CommitAll(file, nullptr, Change(from, to), result);
}

TEST(JournalCommit, CleanCommitLeavesNoJournalButItsSpaceAndFourFlushes) {
  MemFileSystem mem;
  State a{{1, 1, 1, 1}, 5};
  State b{{1, 2, 1, 1, 2, 2}, 6};
  std::unique_ptr<File> file;
  ASSERT_TRUE(mem.Open(kPath, OpenMode::kReadWrite, true, &file).ok());
  mem.Bytes(kPath) = Image(a);
  CommitResult result;
  ASSERT_TRUE(CommitStep(file.get(), a, b, &result).ok());
  EXPECT_TRUE(Shows(mem.Bytes(kPath), b));
  // The dead journal (page 1 and the header) stays after the new end.
  EXPECT_EQ(mem.Bytes(kPath).size(), kHeaderSize + 6 * kBlockSize + kBlockSize + kHeaderSize);
  EXPECT_EQ(result.flushes, 4);
  EXPECT_EQ(result.header, mem.Bytes(kPath).substr(0, kHeaderSize));
  // Raised once by the commit and once when the journal is closed.
  EXPECT_EQ(static_cast<int32_t>(Get32(result.header, header_field::kChangeCounter)), 8);

  // The next commit of a like change writes its journal over the dead one:
  // the file keeps its size.
  const size_t size = mem.Bytes(kPath).size();
  State c{{1, 3, 1, 1, 2, 2}, 8};
  ASSERT_TRUE(CommitStep(file.get(), b, c, &result).ok());
  EXPECT_TRUE(Shows(mem.Bytes(kPath), c));
  EXPECT_EQ(mem.Bytes(kPath).size(), size);
}

TEST(JournalCommit, LargeDeadJournalIsCutOff) {
  // Every page rewritten: the journal is larger than the space kept for the
  // next one, and the file ends at its last region again.
  const size_t pages = kKeptJournalBytes / kBlockSize + 10;
  State a{std::vector<int>(pages, 1), 3}, b{std::vector<int>(pages, 2), 4};
  MemFileSystem mem;
  std::unique_ptr<File> file;
  ASSERT_TRUE(mem.Open(kPath, OpenMode::kReadWrite, true, &file).ok());
  mem.Bytes(kPath) = Image(a);
  CommitResult result;
  ASSERT_TRUE(CommitStep(file.get(), a, b, &result).ok());
  EXPECT_TRUE(Shows(mem.Bytes(kPath), b, true));
}

struct Step {
  State from, to;
};

// Growing, rewriting in place and shrinking.
std::vector<Step> Steps() {
  return {
      {{{}, 1}, {{1}, 2}},
      {{{1}, 2}, {{1, 2, 2}, 3}},
      {{{1, 2, 2}, 3}, {{3, 2, 3}, 4}},
      {{{3, 2, 3}, 4}, {{3, 4, 3, 4, 4, 4, 4}, 5}},
      {{{3, 4, 3, 4, 4, 4, 4}, 5}, {{5, 4}, 6}},
  };
}

// The file a step starts from: state from alone, as an older file or a
// fresh one has it, or after a commit that rewrote every page of it, so that
// the dead journal of that commit (page images and a whole header image)
// lies after the end where this step's journal goes.
std::string StartBytes(const State& from, bool dead_journal) {
  if (!dead_journal) return Image(from);
  State before = from;
  for (int& v : before.versions) v += 10;
  before.counter -= 2;
  MemFileSystem mem;
  std::unique_ptr<File> file;
  EXPECT_TRUE(mem.Open(kPath, OpenMode::kReadWrite, true, &file).ok());
  mem.Bytes(kPath) = Image(before);
  CommitResult result;
  EXPECT_TRUE(CommitStep(file.get(), before, from, &result).ok());
  EXPECT_GT(mem.Bytes(kPath).size(), kHeaderSize + from.versions.size() * kBlockSize);
  return mem.Bytes(kPath);
}

void SweepStep(const Step& step, const std::string& start, FaultFileSystem::Crash crash,
               size_t tear) {
  // Count the calls of a clean run first.
  int64_t calls = 0;
  {
    MemFileSystem mem;
    FaultFileSystem fs(&mem);
    std::unique_ptr<File> file;
    ASSERT_TRUE(fs.Open(kPath, OpenMode::kReadWrite, true, &file).ok());
    mem.Bytes(kPath) = start;
    CommitResult result;
    ASSERT_TRUE(CommitStep(file.get(), step.from, step.to, &result).ok());
    calls = fs.calls();
  }
  for (int64_t at = 0; at < calls; ++at) {
    SCOPED_TRACE("crash at call " + std::to_string(at) + " of " + std::to_string(calls));
    MemFileSystem mem;
    FaultFileSystem fs(&mem);
    std::unique_ptr<File> file;
    ASSERT_TRUE(fs.Open(kPath, OpenMode::kReadWrite, true, &file).ok());
    mem.Bytes(kPath) = start;
    fs.Flushed(kPath);
    fs.Arm(at, crash, tear);
    CommitResult result;
    Status st = CommitStep(file.get(), step.from, step.to, &result);
    // Only the cut of a large dead journal after the last flush may fail
    // without failing the commit.
    bool committed = st.ok();
    file.reset();

    NoLinks resolver;
    std::string header;
    JournalOutcome outcome;
    ASSERT_TRUE(Reopen(&mem, &resolver, &header, &outcome).ok());
    const std::string& bytes = mem.Bytes(kPath);
    bool old_state = Shows(bytes, step.from);
    bool new_state = Shows(bytes, step.to);
    EXPECT_TRUE(old_state || new_state);
    // Once the pending header is durable the change must survive.
    if (outcome == JournalOutcome::kReplayed || committed) {
      EXPECT_TRUE(new_state);
    }
  }
}

void Sweep(FaultFileSystem::Crash crash, size_t tear) {
  for (bool dead_journal : {false, true}) {
    SCOPED_TRACE(dead_journal ? "after a dead journal" : "no dead journal");
    for (const Step& step : Steps()) {
      ASSERT_NO_FATAL_FAILURE(SweepStep(step, StartBytes(step.from, dead_journal), crash, tear));
    }
  }
}

TEST(JournalCrash, ProcessStopsAtEveryCall) {
  ASSERT_NO_FATAL_FAILURE(Sweep(FaultFileSystem::Crash::kProcess, 0));
}

TEST(JournalCrash, ProcessStopsWithTornWrites) {
  for (size_t tear : {11u, 256u, 600u, 1024u, 4096u}) {
    SCOPED_TRACE("tear " + std::to_string(tear));
    ASSERT_NO_FATAL_FAILURE(Sweep(FaultFileSystem::Crash::kProcess, tear));
  }
}

TEST(JournalCrash, PowerLossAtEveryCall) {
  ASSERT_NO_FATAL_FAILURE(Sweep(FaultFileSystem::Crash::kPowerLoss, 0));
  ASSERT_NO_FATAL_FAILURE(Sweep(FaultFileSystem::Crash::kPowerLoss, 512));
}

TEST(JournalCrash, StopWhileALargeDeadJournalIsCut) {
  const size_t pages = kKeptJournalBytes / kBlockSize + 10;
  Step step{{std::vector<int>(pages, 1), 3}, {std::vector<int>(pages, 2), 4}};
  for (auto crash : {FaultFileSystem::Crash::kProcess, FaultFileSystem::Crash::kPowerLoss}) {
    ASSERT_NO_FATAL_FAILURE(SweepStep(step, Image(step.from), crash, 0));
  }
}

// Leaves the file with a prepared commit: journal written, pending header.
void Prepare(MemFileSystem* mem, const State& from, const State& to) {
  std::unique_ptr<File> file;
  ASSERT_TRUE(mem->Open(kPath, OpenMode::kReadWrite, true, &file).ok());
  mem->Bytes(kPath) = Image(from);
  JournalCommit commit(file.get(), nullptr, Change(from, to));
  ASSERT_TRUE(commit.Prepare().ok());
}

TEST(JournalResolve, ViewShowsImagesAtHome) {
  MemFileSystem mem;
  State a{{1, 1, 1}, 3}, b{{2, 1, 1}, 4};
  ASSERT_NO_FATAL_FAILURE(Prepare(&mem, a, b));
  NoLinks resolver;
  std::string header;
  JournalOutcome outcome;
  ASSERT_TRUE(Reopen(&mem, &resolver, &header, &outcome).ok());
  EXPECT_EQ(outcome, JournalOutcome::kReplayed);
  EXPECT_EQ(resolver.seen_first_page, Page(0, 2));
  EXPECT_EQ(Get32(resolver.seen_header, header_field::kChangeCounter), 5u);
  EXPECT_TRUE(Shows(mem.Bytes(kPath), b));
}

TEST(JournalResolve, ListedTransactionIsDiscarded) {
  MemFileSystem mem;
  State a{{1, 1, 1}, 3}, b{{2, 1, 1, 2}, 4};
  ASSERT_NO_FATAL_FAILURE(Prepare(&mem, a, b));
  NoLinks resolver;
  resolver.link_ = TransactionLink{77, "vantor.tcf"};
  resolver.listed_ = true;
  std::string header;
  JournalOutcome outcome;
  ASSERT_TRUE(Reopen(&mem, &resolver, &header, &outcome).ok());
  EXPECT_EQ(outcome, JournalOutcome::kDiscarded);
  EXPECT_TRUE(Shows(mem.Bytes(kPath), a));
}

TEST(JournalResolve, UnlistedTransactionIsReplayed) {
  MemFileSystem mem;
  State a{{1, 1, 1}, 3}, b{{2, 1, 1, 2}, 4};
  ASSERT_NO_FATAL_FAILURE(Prepare(&mem, a, b));
  NoLinks resolver;
  resolver.link_ = TransactionLink{77, "vantor.tcf"};
  std::string header;
  JournalOutcome outcome;
  ASSERT_TRUE(Reopen(&mem, &resolver, &header, &outcome).ok());
  EXPECT_EQ(outcome, JournalOutcome::kReplayed);
  EXPECT_TRUE(Shows(mem.Bytes(kPath), b));
}

TEST(JournalResolve, AbandonDropsTheJournal) {
  MemFileSystem mem;
  State a{{1, 1, 1}, 3}, b{{2, 1, 1, 2}, 4};
  std::unique_ptr<File> file;
  ASSERT_TRUE(mem.Open(kPath, OpenMode::kReadWrite, true, &file).ok());
  mem.Bytes(kPath) = Image(a);
  JournalCommit commit(file.get(), nullptr, Change(a, b));
  ASSERT_TRUE(commit.Prepare().ok());
  ASSERT_TRUE(commit.Abandon().ok());
  EXPECT_TRUE(Shows(mem.Bytes(kPath), a));
}

}  // namespace
}  // namespace kavo
