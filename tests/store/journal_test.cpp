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

// Commits from one state to the next on a file that holds from, keeping
// the header the file holds, as a store does.
Status CommitStep(File* file, const State& from, const State& to, CommitResult* result) {
  CommitSet set = Change(from, to);
  size_t got = 0;
  KAVO_RETURN_IF_ERROR(file->Read(0, set.kept_header.data(), kHeaderSize, &got));
  return CommitAll(file, nullptr, std::move(set), result);
}

uint64_t EndOf(const State& s) {
  return kHeaderSize + s.versions.size() * kBlockSize;
}

TEST(JournalCommit, SmallJournalIsClosedWithoutAFlushAndItsPlacesTakeTurns) {
  MemFileSystem mem;
  State a{{1, 1, 1, 1}, 5};
  State b{{1, 2, 1, 1, 2, 2}, 6};
  std::unique_ptr<File> file;
  ASSERT_TRUE(mem.Open(kPath, OpenMode::kReadWrite, true, &file).ok());
  mem.Bytes(kPath) = Image(a);
  CommitResult result;
  ASSERT_TRUE(CommitStep(file.get(), a, b, &result).ok());
  const std::string& bytes = mem.Bytes(kPath);
  EXPECT_TRUE(Shows(bytes, b));
  EXPECT_EQ(result.flushes, 3);
  EXPECT_EQ(result.header, bytes.substr(0, kHeaderSize));
  // Raised once by the commit and once when the journal is closed.
  EXPECT_EQ(static_cast<int32_t>(Get32(result.header, header_field::kChangeCounter)), 8);
  // The ends name where the journal (page 1 and the header) began, a gap
  // after the data; it stays there.
  const uint64_t first = EndOf(b) + kJournalGap;
  EXPECT_EQ(Get32(bytes, header_field::kCommittedEnd), first);
  EXPECT_EQ(bytes.size(), first + kBlockSize + kHeaderSize);

  // The next journal keeps off that one, the one after goes back to the
  // first place: from then on the file keeps its size.
  State c{{1, 3, 1, 1, 2, 2}, 8}, d{{1, 3, 4, 1, 2, 2}, 10}, e{{5, 3, 4, 1, 2, 2}, 12};
  ASSERT_TRUE(CommitStep(file.get(), b, c, &result).ok());
  EXPECT_TRUE(Shows(bytes, c));
  EXPECT_EQ(result.flushes, 3);
  EXPECT_GE(Get32(bytes, header_field::kCommittedEnd), first + kLazyJournalBytes);
  const size_t size = bytes.size();
  ASSERT_TRUE(CommitStep(file.get(), c, d, &result).ok());
  EXPECT_TRUE(Shows(bytes, d));
  EXPECT_EQ(Get32(bytes, header_field::kCommittedEnd), first);
  ASSERT_TRUE(CommitStep(file.get(), d, e, &result).ok());
  EXPECT_TRUE(Shows(bytes, e));
  EXPECT_EQ(result.flushes, 3);
  EXPECT_EQ(bytes.size(), size);
}

TEST(JournalCommit, DataGrowingIntoAnUnflushedJournalFlushesFirst) {
  MemFileSystem mem;
  State a{{1}, 1}, b{{2}, 2};
  State c{{2, 3}, 3};
  c.versions.resize(2 + kJournalGap / kBlockSize, 3);
  std::unique_ptr<File> file;
  ASSERT_TRUE(mem.Open(kPath, OpenMode::kReadWrite, true, &file).ok());
  mem.Bytes(kPath) = Image(a);
  CommitResult result;
  ASSERT_TRUE(CommitStep(file.get(), a, b, &result).ok());
  ASSERT_TRUE(CommitStep(file.get(), b, c, &result).ok());
  EXPECT_TRUE(Shows(mem.Bytes(kPath), c));
  EXPECT_EQ(result.flushes, 4);
}

TEST(JournalCommit, LargeJournalIsClosedByAFlushAndCutOff) {
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
  EXPECT_EQ(Get32(mem.Bytes(kPath), header_field::kCommittedEnd), EndOf(b));
  EXPECT_EQ(result.flushes, 4);
}

// Commits on one file, each state from the one before: growing, rewriting
// in place and shrinking; data growing past the gap after a journal closed
// without a flush; a journal too large to be closed without one; and small
// ones again after it.
std::vector<State> Chain() {
  std::vector<State> chain = {
      {{}, 1},     {{1}, 2},    {{1, 2, 2}, 3}, {{3, 2, 3}, 4}, {{3, 4, 3, 4, 4, 4, 4}, 5},
      {{5, 4}, 6}, {{5, 6}, 7},
  };
  State grown{{5, 6}, 8};
  grown.versions.resize(2 + kJournalGap / kBlockSize + 4, 8);
  chain.push_back(grown);
  const size_t pages = kLazyJournalBytes / kBlockSize + 2;
  chain.push_back({std::vector<int>(pages, 9), 9});
  State one = chain.back();
  one.versions[3] = 10;
  one.counter = 10;
  chain.push_back(one);
  chain.push_back({{11, 11, 11}, 11});
  chain.push_back({{11, 12, 11}, 12});
  return chain;
}

// Runs the chain on fs until a commit fails; returns how many committed.
// calls: where each commit's calls end.
size_t RunChain(FaultFileSystem* fs, const std::vector<State>& chain,
                std::vector<int64_t>* calls = nullptr) {
  std::unique_ptr<File> file;
  if (!fs->Open(kPath, OpenMode::kReadWrite, true, &file).ok()) return 0;
  for (size_t i = 0; i + 1 < chain.size(); ++i) {
    CommitResult result;
    if (!CommitStep(file.get(), chain[i], chain[i + 1], &result).ok()) return i;
    if (calls != nullptr) calls->push_back(fs->calls());
  }
  return chain.size() - 1;
}

// Crashes at every call of the chain in turn, or at its last calls only.
void Sweep(const std::vector<State>& chain, FaultFileSystem::Crash crash, size_t tear,
           int64_t last_calls = -1) {
  // A clean run first: how many calls, and after which call each commit's
  // change must survive (the flush after its pending header, the first
  // write to the header).
  std::vector<int64_t> survives;
  int64_t calls = 0;
  {
    MemFileSystem mem;
    mem.Bytes(kPath) = Image(chain[0]);
    FaultFileSystem fs(&mem);
    std::vector<int64_t> ends;
    ASSERT_EQ(RunChain(&fs, chain, &ends), chain.size() - 1);
    const std::string& kinds = fs.kinds();
    int64_t begin = 0;
    for (int64_t end : ends) {
      size_t pending = kinds.find('h', static_cast<size_t>(begin));
      survives.push_back(static_cast<int64_t>(kinds.find('f', pending)));
      ASSERT_LT(survives.back(), end);
      begin = end;
    }
    calls = fs.calls();
  }
  for (int64_t at = last_calls < 0 ? 0 : calls - last_calls; at < calls; ++at) {
    SCOPED_TRACE("crash at call " + std::to_string(at) + " of " + std::to_string(calls));
    MemFileSystem mem;
    mem.Bytes(kPath) = Image(chain[0]);
    FaultFileSystem fs(&mem);
    fs.Arm(at, crash, tear);
    size_t done = RunChain(&fs, chain);

    NoLinks resolver;
    std::string header;
    JournalOutcome outcome;
    ASSERT_TRUE(Reopen(&mem, &resolver, &header, &outcome).ok());
    const std::string& bytes = mem.Bytes(kPath);
    if (done + 1 == chain.size()) {
      // Only the cut of a large dead journal after the last flush may fail
      // without failing its commit.
      EXPECT_EQ(fs.kinds().back(), 'w');
      EXPECT_TRUE(Shows(bytes, chain.back()));
      continue;
    }
    bool old_state = Shows(bytes, chain[done]);
    bool new_state = Shows(bytes, chain[done + 1]);
    EXPECT_TRUE(old_state || new_state) << "commit " << done;
    // Once the pending header is durable the change must survive.
    if (at > survives[done]) {
      EXPECT_TRUE(new_state) << "commit " << done;
    }
  }
}

TEST(JournalCrash, ProcessStopsAtEveryCall) {
  ASSERT_NO_FATAL_FAILURE(Sweep(Chain(), FaultFileSystem::Crash::kProcess, 0));
}

TEST(JournalCrash, ProcessStopsWithTornWrites) {
  for (size_t tear : {11u, 256u, 600u, 1024u, 4096u}) {
    SCOPED_TRACE("tear " + std::to_string(tear));
    ASSERT_NO_FATAL_FAILURE(Sweep(Chain(), FaultFileSystem::Crash::kProcess, tear));
  }
}

TEST(JournalCrash, PowerLossAtEveryCall) {
  ASSERT_NO_FATAL_FAILURE(Sweep(Chain(), FaultFileSystem::Crash::kPowerLoss, 0));
  ASSERT_NO_FATAL_FAILURE(Sweep(Chain(), FaultFileSystem::Crash::kPowerLoss, 512));
}

TEST(JournalCrash, PowerLossWithWritesLandedOutOfOrder) {
  // The header written since the last flush lost and the rest landed, or
  // the other way round: a journal closed without a flush must still be
  // whole wherever a header on the disk may name it.
  ASSERT_NO_FATAL_FAILURE(Sweep(Chain(), FaultFileSystem::Crash::kPowerLossHeaderLost, 0));
  ASSERT_NO_FATAL_FAILURE(Sweep(Chain(), FaultFileSystem::Crash::kPowerLossHeaderOnly, 0));
}

TEST(JournalCrash, StopWhileALargeDeadJournalIsCut) {
  const size_t pages = kKeptJournalBytes / kBlockSize + 10;
  std::vector<State> chain = {{std::vector<int>(pages, 1), 3}, {std::vector<int>(pages, 2), 4}};
  // The last flushes, the header between them and the cut; the calls
  // before are those of any commit.
  for (auto crash : {FaultFileSystem::Crash::kProcess, FaultFileSystem::Crash::kPowerLoss}) {
    ASSERT_NO_FATAL_FAILURE(Sweep(chain, crash, 0, 4));
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
