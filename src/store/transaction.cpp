#include "store/transaction.h"

#include <algorithm>
#include <ctime>

namespace kavo {
namespace {

std::string& ControlName() {
  static std::string name = "vantor.tcf";
  return name;
}

}  // namespace

std::string ControlFileName() {
  return ControlName();
}

std::string SetControlFileName(const std::string& name) {
  std::string previous = ControlName();
  ControlName() = name;
  return previous;
}

uint32_t TimeOfDayNumber() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  uint32_t seconds = static_cast<uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
  return seconds * 100 + static_cast<uint32_t>(now.tv_nsec / 10000000) % 100 + 1;
}

std::string ControlKey(uint32_t number) {
  std::string key(4, '\0');
  for (int i = 0; i < 4; ++i) key[static_cast<size_t>(i)] = static_cast<char>(number >> (8 * i));
  return key;
}

std::string EncodeLink(const TransactionLink& link) {
  std::string data = ControlKey(link.number);
  data += link.control_file;
  data.push_back('\0');
  return data;
}

bool DecodeLink(const std::string& data, TransactionLink* link) {
  if (data.size() < 5 || data.back() != '\0') return false;
  size_t terminator = data.find('\0', 4);
  if (terminator != data.size() - 1) return false;
  uint32_t number = 0;
  for (int i = 0; i < 4; ++i)
    number |= uint32_t{static_cast<uint8_t>(data[static_cast<size_t>(i)])} << (8 * i);
  link->number = number;
  link->control_file = data.substr(4, terminator - 4);
  return true;
}

Transaction& Transaction::Process() {
  static Transaction transaction;
  return transaction;
}

Status Transaction::Logout(TransactionFile* file) {
  if (Contains(file)) return Status::OK();
  KAVO_RETURN_IF_ERROR(file->BeginTransaction());
  files_.push_back(file);
  return Status::OK();
}

bool Transaction::Contains(const TransactionFile* file) const {
  return std::find(files_.begin(), files_.end(), file) != files_.end();
}

void Transaction::Forget(TransactionFile* file) {
  auto it = std::find(files_.begin(), files_.end(), file);
  if (it == files_.end()) return;
  files_.erase(it);
  file->EndTransaction(nullptr);
}

Status Transaction::Rollback() {
  std::vector<TransactionFile*> files;
  files.swap(files_);
  for (TransactionFile* file : files) file->EndTransaction(nullptr);
  return Status::OK();
}

Status Transaction::Commit() {
  std::vector<TransactionFile*> files;
  files.swap(files_);
  std::vector<TransactionFile*> changed;
  for (TransactionFile* file : files) {
    if (file->HasChanges()) changed.push_back(file);
  }
  Status st;
  if (changed.size() == 1) {
    st = changed[0]->CommitNow();
  } else if (changed.size() > 1) {
    st = CommitSeveral(changed);
  }
  // Files committed above have taken in their new header already; for the
  // others this drops what is left and switches them back from writing.
  for (TransactionFile* file : files) {
    if (std::find(changed.begin(), changed.end(), file) == changed.end() || changed.size() == 1) {
      file->EndTransaction(nullptr);
    }
  }
  return st;
}

Status Transaction::CommitSeveral(std::vector<TransactionFile*>& changed) {
  if (control_files_ == nullptr) return Status::Error(err::kUnableToLogTransaction);
  auto give_up = [&](size_t from) {
    for (size_t i = from; i < changed.size(); ++i) changed[i]->EndTransaction(nullptr);
  };
  // An abandoned commit published nothing: its file drops the changes it
  // still holds and reads the disk again, whether or not the journal could
  // be cut off (one left behind names a listed number and is discarded).
  auto abandon = [&](std::vector<std::unique_ptr<JournalCommit>>& prepared) {
    for (size_t i = 0; i < prepared.size(); ++i) {
      (void)prepared[i]->Abandon();
      changed[i]->EndTransaction(nullptr);
    }
  };

  // a. List a number no record of the control file has yet.
  std::string name;
  std::unique_ptr<ControlFile> control;
  Status st = control_files_->Open(ControlFileName(), changed[0]->path(), &control, &name);
  uint32_t number = TimeOfDayNumber();
  for (bool added = false; st.ok() && !added;) {
    bool taken = false;
    st = control->Listed(number, &taken);
    if (st.ok() && !taken) st = control->Add(number, &taken);
    if (taken) ++number;
    added = !taken;
  }
  if (!st.ok()) {
    give_up(0);
    return st;
  }

  // b. Every changed file gets the link and a pending journal.
  std::vector<std::unique_ptr<JournalCommit>> commits;
  for (TransactionFile* file : changed) {
    std::unique_ptr<JournalCommit> commit;
    st = file->WriteLink({number, name});
    if (st.ok()) st = file->PrepareCommit(&commit);
    if (!st.ok()) break;
    commits.push_back(std::move(commit));
  }
  if (!st.ok()) {
    // The files prepared so far lose their journals; the one that failed may
    // keep a pending journal, which its listed number makes the next open
    // discard. So the number stays listed.
    abandon(commits);
    give_up(commits.size());
    return st;
  }

  // c. The transaction is done once its number leaves the control file.
  st = control->Remove(number);
  control.reset();
  if (!st.ok()) {
    abandon(commits);
    return st;
  }

  // d. Publish. A file that fails here keeps its journal, which the next
  // read of its header replays.
  Status first_failure;
  for (size_t i = 0; i < commits.size(); ++i) {
    Status published = commits[i]->Publish();
    changed[i]->EndTransaction(published.ok() ? &commits[i]->result() : nullptr);
    if (!published.ok() && first_failure.ok()) first_failure = published;
  }
  return first_failure;
}

}  // namespace kavo
