// The process's logged transaction: LOGOUT, COMMIT and ROLLBACK over any
// number of store files, made atomic across files by a transaction-control
// file.
//
// While a file is in the transaction its operations skip their commit, so
// changed pages collect in memory, and the file keeps its writer byte until
// the transaction ends. COMMIT of several changed files:
//   a. lists a fresh transaction number in the control file (committed);
//   b. writes the link record (number, control file name) into every changed
//      file and prepares each commit, leaving a pending journal in each;
//   c. deletes the number from the control file (committed): from here on the
//      transaction counts as done;
//   d. publishes each file's commit.
// A crash before c leaves journals whose link names a listed number: they are
// discarded at the next open. After c they are replayed. A transaction that
// changed one file commits it as a plain operation and never touches the
// control file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/status.h"
#include "store/journal.h"

namespace kavo {

// A store file as the transaction drives it (implemented by the open store
// file).
class TransactionFile {
 public:
  virtual ~TransactionFile() = default;
  // Switches the file to writing for the whole transaction (writer byte).
  virtual Status BeginTransaction() = 0;
  virtual bool HasChanges() const = 0;
  // Writes the link record into the file's changed pages, replacing any
  // older one.
  virtual Status WriteLink(const TransactionLink& link) = 0;
  // Build and prepare (*commit is the prepared commit), and the whole commit
  // (build, prepare, publish; journal.h).
  virtual Status PrepareCommit(std::unique_ptr<JournalCommit>* commit) = 0;
  virtual Status CommitNow() = 0;
  // Ends the file's part in the transaction and switches it back from
  // writing. result: the commit it published, whose header it takes in.
  // nullptr (no commit, or one that failed or was abandoned): whatever changes
  // are still in memory are dropped with the pages cached under them, and the
  // header is read again, so the file shows what its disk holds.
  virtual void EndTransaction(const CommitResult* result) = 0;
  // The data file's name as it was opened.
  virtual const std::string& path() const = 0;
};

// The transaction-control file: a store file holding one record per
// transaction being committed, keyed by its 4-byte number, without data.
class ControlFile {
 public:
  virtual ~ControlFile() = default;
  virtual Status Listed(uint32_t number, bool* listed) = 0;
  // Each adds or deletes the record and commits the control file. *taken is
  // set (and nothing written) when another process listed the number first.
  virtual Status Add(uint32_t number, bool* taken) = 0;
  virtual Status Remove(uint32_t number) = 0;
};

// Opens control files (implemented by the store, which owns the format).
class ControlFiles {
 public:
  virtual ~ControlFiles() = default;
  // Opens the control file name for reading and writing (deny none),
  // creating it when missing. A relative name lies in the directory of the
  // data file beside, so that every process finds the same file whatever its
  // working directory; *canonical receives the file's canonical absolute
  // name, which the transaction's link records carry.
  virtual Status Open(const std::string& name, const std::string& beside,
                      std::unique_ptr<ControlFile>* file, std::string* canonical) = 0;
};

// The name of the control file, the "TCF" option: "vantor.tcf" until set. A
// relative name is taken beside the data files of the transaction.
std::string ControlFileName();
// Sets it and returns the previous name.
std::string SetControlFileName(const std::string& name);

// The number a new transaction starts its search from: the time of day in
// hundredths of a second since midnight, plus one.
uint32_t TimeOfDayNumber();

class Transaction {
 public:
  // The process's one transaction.
  static Transaction& Process();

  // The store registers how control files are opened.
  void set_control_files(ControlFiles* files) { control_files_ = files; }
  ControlFiles* control_files() const { return control_files_; }

  // LOGOUT: adds the file (once) and switches it to writing.
  Status Logout(TransactionFile* file);
  bool Contains(const TransactionFile* file) const;
  bool active() const { return !files_.empty(); }
  Status Commit();
  Status Rollback();
  // A file that closes leaves the transaction; its changes are dropped.
  void Forget(TransactionFile* file);

 private:
  Status CommitSeveral(std::vector<TransactionFile*>& changed);

  std::vector<TransactionFile*> files_;
  ControlFiles* control_files_ = nullptr;
};

// The link record's data part: the number (4 bytes, little-endian), then the
// control file's name and a zero byte. Parse fails on data too short or
// without the terminator.
std::string EncodeLink(const TransactionLink& link);
bool DecodeLink(const std::string& data, TransactionLink* link);
// The control file's key for a transaction number (4 bytes, little-endian).
std::string ControlKey(uint32_t number);

}  // namespace kavo
