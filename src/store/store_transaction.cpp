#include "store/store_transaction.h"

#include "store/cipher_file.h"
#include "store/format.h"
#include "store/header.h"
#include "store/page.h"
#include "store/store_file.h"
#include "store/table.h"

namespace kavo {
namespace {

// Deeper than any tree a 2^31-byte file can hold; a longer path is a loop.
constexpr int kMaxTreeDepth = 64;

const std::string kLinkKey(1, static_cast<char>(fmt::kKindLink));

// The file system of the files in the transaction: the control file lives on
// the same one.
StoreControlFiles& ControlFilesOn(FileSystem* fs) {
  static FileSystem* current = nullptr;
  static std::unique_ptr<StoreControlFiles> files;
  if (files == nullptr || current != fs) {
    files = std::make_unique<StoreControlFiles>(fs);
    current = fs;
  }
  return *files;
}

// A control file name as every process resolves it: a relative name lies in
// the directory of the data file beside.
std::string ControlFilePath(FileSystem* fs, const std::string& name, const std::string& beside) {
  if (name.empty() || name[0] == '/') return name;
  std::string data = fs->Canonical(beside);
  size_t slash = data.find_last_of('/');
  return slash == std::string::npos ? name : data.substr(0, slash + 1) + name;
}

Status PostStatus(Status st) {
  if (st.ok()) {
    ClearError();
  } else if (st.is_check()) {
    PostFileSystemError("Vantor File Driver Error", st.detail());
  } else {
    PostError(st.code());
  }
  return st;
}

class StoreControlFile final : public ControlFile {
 public:
  explicit StoreControlFile(std::shared_ptr<StoreFile> file) : file_(std::move(file)) {}

  Status Listed(uint32_t number, bool* listed) override {
    KAVO_RETURN_IF_ERROR(file_->Begin(false));
    Record record;
    *listed = false;
    return file_->End(file_->Find(ControlKey(number), SeekMode::kExact, &record, listed));
  }
  Status Add(uint32_t number, bool* taken) override {
    KAVO_RETURN_IF_ERROR(file_->Begin(true));
    *taken = false;
    return file_->End(file_->Insert(ControlKey(number), {}, taken));
  }
  Status Remove(uint32_t number) override {
    KAVO_RETURN_IF_ERROR(file_->Begin(true));
    bool found = false;
    return file_->End(file_->Erase(ControlKey(number), &found));
  }

 private:
  std::shared_ptr<StoreFile> file_;
};

}  // namespace

// ---- Public operations ----

Status Logout(Table& table) {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  StoreFile* file = table.store();
  if (file == nullptr) return PostStatus(Status::Error(err::kFileNotOpen));
  Transaction& t = Transaction::Process();
  t.set_control_files(&ControlFilesOn(file->fs()));
  return PostStatus(t.Logout(file));
}

Status CommitTransaction() {
  return PostStatus(Transaction::Process().Commit());
}

Status RollbackTransaction() {
  return PostStatus(Transaction::Process().Rollback());
}

// ---- Journal resolution ----

Status StoreJournalResolver::FindLink(File* view, const std::string& header,
                                      std::optional<TransactionLink>* link) {
  FileHeader h;
  KAVO_RETURN_IF_ERROR(FileHeader::Decode(fmt::U8(header), &h));
  int32_t ref = h.root;
  for (int depth = 0; ref != -1; ++depth) {
    if (depth > kMaxTreeDepth) return Status::Check(store_check::kTreeShape);
    int k = h.RegionOf(ref);
    if (k == 0) return Status::Check(store_check::kNoPageRegion);
    size_t n = static_cast<size_t>(k) * fmt::kBlockSize;
    std::string bytes(n, '\0');
    size_t got = 0;
    KAVO_RETURN_IF_ERROR(
        view->Read(static_cast<uint64_t>(fmt::RefOffset(ref)), bytes.data(), n, &got));
    if (got != n) return Status::Check(store_check::kShortRead);
    Page page;
    KAVO_RETURN_IF_ERROR(DecodePage(fmt::U8(bytes), n, k, fmt::RefOffset(ref), &page));
    if (page.leaf()) {
      if (page.records.empty() || page.records.back().key() != kLinkKey) return Status::OK();
      TransactionLink found;
      if (!DecodeLink(std::string(page.records.back().data()), &found)) {
        return Status::Check(kBadLinkCheck);
      }
      *link = found;
      return Status::OK();
    }
    if (page.children.empty()) return Status::Check(store_check::kTreeShape);
    ref = page.children.back();
  }
  return Status::OK();
}

Status StoreJournalResolver::Listed(const TransactionLink& link, bool* listed) {
  *listed = false;
  if (link.control_file.empty()) return Status::Check(kLinkPathCheck);
  const std::string control = ControlFilePath(fs_, link.control_file, path_);
  // A control file that is gone lists nothing: its transactions all ended.
  if (!fs_->Exists(control)) return Status::OK();
  if (fs_->IsDirectory(control)) return Status::Error(err::kInvalidDataFile);
  // Read-write when possible, so that a journal pending in the control file
  // itself can be resolved on the way.
  std::shared_ptr<StoreFile> file;
  OpenOptions options;
  options.share = ShareMode::kDenyNone;
  Status st = StoreFile::Acquire(fs_, control, options, false, &file);
  if (!st.ok()) {
    options.mode = OpenMode::kReadOnly;
    KAVO_RETURN_IF_ERROR(StoreFile::Acquire(fs_, control, options, false, &file));
  }
  return StoreControlFile(file).Listed(link.number, listed);
}

Status StoreControlFiles::Open(const std::string& name, const std::string& beside,
                               std::unique_ptr<ControlFile>* file, std::string* canonical) {
  const std::string path = ControlFilePath(fs_, name, beside);
  std::shared_ptr<StoreFile> store;
  OpenOptions options;
  options.share = ShareMode::kDenyNone;
  KAVO_RETURN_IF_ERROR(StoreFile::Acquire(fs_, path, options, true, &store));
  *canonical = fs_->Canonical(path);
  *file = std::make_unique<StoreControlFile>(std::move(store));
  return Status::OK();
}

// ---- The store file's part ----

Status StoreFile::BeginTransaction() {
  if (mode_ == OpenMode::kReadOnly) return Status::Error(err::kAccessDenied);
  ReleaseBatchSlot();
  // Without waiting: a process that waited here while holding the writer
  // bytes of files it logged out before could wait forever on one that
  // logged out the same files in the other order. The caller may retry.
  switch (locks_->TryLockWriter()) {
    case LockResult::kGranted:
      break;
    case LockResult::kBusy:
      return Status::Error(err::kFileLocked);
    case LockResult::kFailed:
      return locks_->status();
  }
  in_transaction_ = true;
  DeferCommits(true);
  return Status::OK();
}

bool StoreFile::HasChanges() const {
  return !cache_.changed().empty() || header_dirty_ || !dropped_.empty();
}

Status StoreFile::WriteLink(const TransactionLink& link) {
  KAVO_RETURN_IF_ERROR(Begin(true));
  std::string data = EncodeLink(link);
  bool found = false;
  Status st = Replace(kLinkKey, data, &found);
  if (st.ok() && !found) {
    bool existed = false;
    st = Insert(kLinkKey, data, &existed);
  }
  return End(st);
}

Status StoreFile::PrepareCommit(std::unique_ptr<JournalCommit>* commit) {
  CommitSet set;
  KAVO_RETURN_IF_ERROR(BuildCommitSet(&set));
  auto prepared = std::make_unique<JournalCommit>(file_.get(), locks_.get(), std::move(set));
  Status st = prepared->Prepare();
  prepared_flushes_ = prepared->result().flushes;
  flushes_ += prepared_flushes_;
  if (!st.ok()) {
    DropAfterFailedWrite();
    return st;
  }
  *commit = std::move(prepared);
  return Status::OK();
}

Status StoreFile::CommitNow() {
  return Commit();
}

void StoreFile::EndTransaction(const CommitResult* result) {
  if (result != nullptr) {
    flushes_ += result->flushes - prepared_flushes_;
    AdoptCommitted(result->header);
  } else if (HasChanges()) {
    DropAfterFailedWrite();
  }
  prepared_flushes_ = 0;
  if (in_transaction_) {
    in_transaction_ = false;
    DeferCommits(false);
  }
  if (depth_ == 0 && streams_ == 0) locks_->UnlockWriter();
}

Status StoreFile::ResolvePending(const uint8_t* raw, FileHeader* h) {
  std::string bytes(reinterpret_cast<const char*>(raw), fmt::kHeaderSize);
  StoreJournalResolver resolver(fs_, path_);
  JournalOutcome outcome = JournalOutcome::kNone;
  if (mode_ != OpenMode::kReadOnly) {
    KAVO_RETURN_IF_ERROR(ResolveJournal(file_.get(), locks_.get(), &resolver, &bytes, &outcome));
    return FileHeader::Decode(fmt::U8(bytes), h);
  }
  // A read-only instance resolves through an instance of its own that may
  // write. Our reader slot is given up meanwhile: the resolution takes all
  // slots, ours included.
  if (!locks_->WriterBusyElsewhere()) {
    std::unique_ptr<File> writable;
    if (!fs_->Open(path_, OpenMode::kReadWrite, false, &writable).ok()) {
      return Status::Error(err::kAccessDenied);
    }
    writable = Enciphered(std::move(writable), cipher_);
    FileLocks writable_locks(writable.get(), locks_->slot());
    bool had_slot = locks_->reader_held();
    locks_->UnlockReader();
    std::string current(fmt::kHeaderSize, '\0');
    size_t got = 0;
    Status st = writable->Read(0, current.data(), current.size(), &got);
    if (st.ok() && got != current.size()) st = Status::Error(err::kInvalidDataFile);
    if (st.ok()) {
      st = ResolveJournal(writable.get(), &writable_locks, &resolver, &current, &outcome);
    }
    writable.reset();
    if (had_slot && !locks_->LockReader()) return locks_->status();
    KAVO_RETURN_IF_ERROR(st);
    got = 0;
    KAVO_RETURN_IF_ERROR(file_->Read(0, bytes.data(), bytes.size(), &got));
    if (got != bytes.size()) return Status::Error(err::kInvalidDataFile);
  }
  // Still pending: a writer of another instance is under way, and until it
  // publishes, the header at 0 describes whole pages. A writer that has just
  // finished left a header without a journal: read it once more.
  for (int attempt = 0;; ++attempt) {
    KAVO_RETURN_IF_ERROR(FileHeader::Decode(fmt::U8(bytes), h));
    if (!h->journal_pending() || locks_->WriterBusyElsewhere()) return Status::OK();
    if (attempt > 0) return Status::Error(err::kAccessDenied);
    size_t got = 0;
    KAVO_RETURN_IF_ERROR(file_->Read(0, bytes.data(), bytes.size(), &got));
    if (got != bytes.size()) return Status::Error(err::kInvalidDataFile);
  }
}

void StoreFile::AdoptCommitted(const std::string& header) {
  FileHeader h;
  if (!FileHeader::Decode(fmt::U8(header), &h).ok()) {
    DropAfterFailedWrite();
    return;
  }
  header_ = h;
  committing_ = false;
  Outdate();
  cache_.CommitChanged();
  dropped_.clear();
  next_temp_ = -2;
  header_dirty_ = false;
  kept_header_ = header_;
}

void StoreFile::DropAfterFailedWrite() {
  Rollback();
  have_header_ = false;
  cache_.Clear();
  DropReserve();
  Outdate();
}

Status StoreFile::BeginStream() {
  ReleaseBatchSlot();
  if (shared_ && mode_ != OpenMode::kReadOnly && !locks_->LockWriter()) return locks_->status();
  ++streams_;
  DeferCommits(true);
  return Status::OK();
}

void StoreFile::EndStream() {
  if (streams_ == 0) return;
  --streams_;
  DeferCommits(false);
  if (streams_ == 0 && depth_ == 0 && !in_transaction_ && !HasChanges()) locks_->UnlockWriter();
}

Status StoreFile::LockBracket(bool write) {
  if (in_transaction_) return Status::OK();
  if (!shared_) return Status::OK();
  // A stream holds the writer byte throughout: nobody else commits.
  if (streams_ > 0 && locks_->writer_held()) return Status::OK();
  bool locked = write ? locks_->LockWriter() : locks_->LockReader();
  return locked ? Status::OK() : locks_->status();
}

void StoreFile::UnlockBracket() {
  if (in_transaction_) return;
  locks_->UnlockReader();
  if (streams_ == 0) locks_->UnlockWriter();
}

}  // namespace kavo
