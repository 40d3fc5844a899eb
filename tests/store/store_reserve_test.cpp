// Pages the cache trimmed are kept decoded for reuse; once another open
// instance of the file commits, none of them may be served again, and a read
// that works from the cache without its lock must notice a commit that lands
// while it runs. Two instances of one file live in one process here through
// two file systems over the same bytes.
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "fault_file.h"
#include "journal_store_util.h"
#include "store/locks.h"
#include "store/mem_file.h"
#include "store/table.h"

namespace kavo {
namespace {

// Files whose reader-slot lock first runs a hook: the moment between a read
// that began without its lock and the lock it takes for a page it does not
// hold.
class ReaderLockHookFileSystem final : public FileSystem {
 public:
  explicit ReaderLockHookFileSystem(MemFileSystem* base) : base_(base) {}
  std::function<void()> before_reader_lock;

  Status Open(const std::string& path, OpenMode mode, bool create,
              std::unique_ptr<File>* file) override {
    std::unique_ptr<File> inner;
    KAVO_RETURN_IF_ERROR(base_->Open(path, mode, create, &inner));
    *file = std::make_unique<HookFile>(std::move(inner), this);
    return Status::OK();
  }
  bool Exists(const std::string& path) override { return base_->Exists(path); }
  bool IsDirectory(const std::string& path) override { return base_->IsDirectory(path); }
  Status Remove(const std::string& path) override { return base_->Remove(path); }
  Status Rename(const std::string& from, const std::string& to) override {
    return base_->Rename(from, to);
  }
  std::string Canonical(const std::string& path) override { return base_->Canonical(path); }

 private:
  class HookFile final : public File {
   public:
    HookFile(std::unique_ptr<File> inner, ReaderLockHookFileSystem* fs)
        : inner_(std::move(inner)), fs_(fs) {}
    Status Read(uint64_t offset, void* buf, size_t n, size_t* got) override {
      return inner_->Read(offset, buf, n, got);
    }
    Status Write(uint64_t offset, const void* buf, size_t n) override {
      return inner_->Write(offset, buf, n);
    }
    Status Flush() override { return inner_->Flush(); }
    Status Size(uint64_t* size) override { return inner_->Size(size); }
    Status Truncate(uint64_t size) override { return inner_->Truncate(size); }
    Status Lock(uint64_t offset, uint64_t length, bool exclusive, bool wait) override {
      if (length == 1 && offset >= kLockBase && offset < kWriterByte && fs_->before_reader_lock) {
        std::function<void()> hook = std::move(fs_->before_reader_lock);
        fs_->before_reader_lock = nullptr;
        hook();
      }
      return inner_->Lock(offset, length, exclusive, wait);
    }
    Status Unlock(uint64_t offset, uint64_t length) override {
      return inner_->Unlock(offset, length);
    }

   private:
    std::unique_ptr<File> inner_;
    ReaderLockHookFileSystem* fs_;
  };

  MemFileSystem* base_;
};

using testing::Rows;

std::string NameOf(int n, int round) {
  return "N" + std::to_string(n * 7919 % 100003) + "R" + std::to_string(round);
}

TEST(StoreReserve, CommitsOfAnotherInstanceAreSeenOnEveryPage) {
  MemFileSystem mem;
  testing::FaultFileSystem other_fs(&mem);
  const std::string name = "PEOPLE";
  ASSERT_TRUE(testing::CreatePeople(name, &mem).ok());
  Table a, b;
  ASSERT_TRUE(testing::OpenPeople(&a, name, &mem).ok());
  ASSERT_TRUE(testing::OpenPeople(&b, name, &other_fs).ok());

  Rows model;
  ASSERT_TRUE(a.Stream().ok());
  for (int n = 1; n <= 4000; ++n) {
    ASSERT_TRUE(testing::AddPerson(&a, n, NameOf(n, 0)).ok());
    model[n] = NameOf(n, 0);
  }
  ASSERT_TRUE(a.Flush().ok());

  for (int round = 1; round <= 3; ++round) {
    // The reader walks the whole table (far more pages than the cache
    // keeps), so most of its pages sit in the reserve.
    Rows seen;
    ASSERT_TRUE(testing::ReadOpen(&a, &seen).ok());
    ASSERT_EQ(seen, model);
    // The other instance changes rows spread over every page and drops
    // some.
    for (int n = round; n <= 4000; n += 37) {
      if (model.count(n) == 0) continue;
      if (n % 5 == 0) {
        ASSERT_TRUE(testing::DeletePerson(&b, n).ok());
        model.erase(n);
      } else {
        ASSERT_TRUE(testing::PutPerson(&b, n, NameOf(n, round)).ok());
        model[n] = NameOf(n, round);
      }
    }
    ASSERT_TRUE(testing::ReadOpen(&a, &seen).ok());
    ASSERT_EQ(seen, model) << "round " << round;
    // The reader's own commit moves pages too.
    ASSERT_TRUE(testing::PutPerson(&a, 1, NameOf(1, round + 10)).ok());
    model[1] = NameOf(1, round + 10);
    ASSERT_TRUE(testing::ReadOpen(&b, &seen).ok());
    ASSERT_EQ(seen, model);
  }
  std::string report;
  EXPECT_TRUE(testing::CheckSound(&mem, name + ".VTF", &report)) << report;
}

TEST(StoreReserve, ReadOvertakenByACommitRunsAgainOnTheNewState) {
  MemFileSystem mem;
  ReaderLockHookFileSystem reader_fs(&mem);
  testing::FaultFileSystem writer_fs(&mem);
  const std::string name = "PEOPLE";
  ASSERT_TRUE(testing::CreatePeople(name, &mem).ok());
  Table reader, writer;
  ASSERT_TRUE(testing::OpenPeople(&writer, name, &writer_fs).ok());
  Rows model;
  ASSERT_TRUE(writer.Stream().ok());
  for (int n = 1; n <= 4000; ++n) {
    ASSERT_TRUE(testing::AddPerson(&writer, n, NameOf(n, 0)).ok());
    model[n] = NameOf(n, 0);
  }
  ASSERT_TRUE(writer.Flush().ok());

  // The reader knows the header and the path to its first row only.
  ASSERT_TRUE(testing::OpenPeople(&reader, name, &reader_fs).ok());
  ASSERT_TRUE(reader.SetKey(0).ok());
  ASSERT_TRUE(reader.Next().ok());
  ASSERT_EQ(testing::NumberOf(reader), 1);

  // Its next read starts from the cache, unlocked, and needs pages it does
  // not hold. Just before it locks for them, the writer reshapes the tree.
  bool overtaken = false;
  reader_fs.before_reader_lock = [&] {
    overtaken = true;
    for (int n = 2; n <= 3000; ++n) {
      ASSERT_TRUE(testing::DeletePerson(&writer, n).ok());
      model.erase(n);
    }
    ASSERT_TRUE(testing::PutPerson(&writer, 3900, "MOVED").ok());
    model[3900] = "MOVED";
  };
  int32_t wanted = 3900;
  std::memcpy(reader.record(), &wanted, sizeof wanted);
  ASSERT_TRUE(reader.Get(0).ok());
  EXPECT_TRUE(overtaken);
  // The read ran again on the new state.
  EXPECT_EQ(testing::NumberOf(reader), 3900);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reader.record()) + 4, 5), "MOVED");
  ASSERT_TRUE(reader.Previous().ok());
  EXPECT_EQ(testing::NumberOf(reader), 3899);

  Rows seen;
  ASSERT_TRUE(testing::ReadOpen(&reader, &seen).ok());
  EXPECT_EQ(seen, model);
  std::string report;
  EXPECT_TRUE(testing::CheckSound(&mem, name + ".VTF", &report)) << report;
}

}  // namespace
}  // namespace kavo
