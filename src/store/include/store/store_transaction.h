// LOGOUT, COMMIT and ROLLBACK for tables, and what the journal and the
// transactions need from store files: the link record lookup for journal
// resolution and the transaction-control file.
//
// The transaction-control file is a store file like any other; the record of
// a transaction being committed is a bare record whose whole key is the
// 4-byte number. Links name it by its canonical absolute name. A relative
// name (the default "vantor.tcf", or a link written before names were made
// absolute) lies in the directory of the data file it concerns, so every
// process resolves it alike, whatever its working directory.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "runtime/status.h"
#include "store/file.h"
#include "store/journal.h"
#include "store/transaction.h"

namespace kavo {

class Table;

// LOGOUT: the table's store file joins the process's transaction.
Status Logout(Table& table);
// COMMIT: commits every file of the transaction (several files atomically).
Status CommitTransaction();
// ROLLBACK: drops the changes of every file of the transaction.
Status RollbackTransaction();

// Journal resolution for store files opened on fs.
class StoreJournalResolver final : public JournalResolver {
 public:
  // path: the data file whose journal is resolved.
  StoreJournalResolver(FileSystem* fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  // The link record is the last record of the tree (its key, 0xFF, sorts
  // after every other record): found on the rightmost path.
  Status FindLink(File* view, const std::string& header,
                  std::optional<TransactionLink>* link) override;
  Status Listed(const TransactionLink& link, bool* listed) override;

 private:
  FileSystem* fs_;
  std::string path_;
};

// Control files as store files on fs.
class StoreControlFiles final : public ControlFiles {
 public:
  explicit StoreControlFiles(FileSystem* fs) : fs_(fs) {}
  Status Open(const std::string& name, const std::string& beside,
              std::unique_ptr<ControlFile>* file, std::string* canonical) override;

 private:
  FileSystem* fs_;
};

// Check number of a link record whose data does not parse (error 90).
inline constexpr int kBadLinkCheck = 9107;
inline constexpr int kLinkPathCheck = 9108;

}  // namespace kavo
