// A table of a store file as one procedure context sees it: the open
// instance with its own record buffer, memo buffers, current key and current
// position. Several Table objects may open the same table at once (one per
// thread or procedure); they share one StoreFile and its page cache through
// the process-wide registry, so a row written through one is read by the
// others at their next operation.
//
// Names: "FILE\!TABLE" names table TABLE in disk file FILE; without the
// separator the table is "UNNAMED". A file part without an extension gets
// ".VTF". The separator is the first "\!" whose preceding part is not an
// existing directory.
//
// Every operation returns a Status and also posts it as the program's last
// error (ERRORCODE/ERROR). After an internal consistency failure (error 90
// with a check number) the table is marked failed and every operation but
// Close returns that failure again; Close clears the mark.
//
// Record numbers and table numbers are drawn from one counter per store file,
// so a record number is unique in the whole file. Record number 0 never
// names a row.
//
// Within one process the record store is entered by one thread at a time: each
// public operation takes the store's process-wide mutex.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/status.h"
#include "runtime/table_def.h"
#include "store/file.h"
#include "store/page.h"

namespace kavo {

class StoreFile;

enum class ShareMode { kDenyNone, kDenyWrite, kDenyRead, kDenyAll, kCompatibility };

struct OpenOptions {
  OpenMode mode = OpenMode::kReadWrite;
  ShareMode share = ShareMode::kDenyNone;
  std::string owner;  // owner password; empty when none
  // With an owner password: every block of the file is enciphered with a
  // cipher keyed from it. Set from a declaration carrying ENCRYPT.
  bool encrypt = false;
  FileSystem* fs = nullptr;  // nullptr: the disk
  // The bytes of decoded pages the file keeps beneath its cache
  // (page_cache.h), set by the first instance to open it in the process.
  size_t reserve_bytes = kDefaultReserveBytes;
  static constexpr size_t kDefaultReserveBytes = size_t{64} << 20;
};

// The parts of a table name.
struct TableName {
  std::string file;   // disk file name, ".VTF" appended when it had no extension
  std::string table;  // table inside the file, "UNNAMED" when none was given
  // The display name: the file name and, unless UNNAMED, "\!" and the table.
  std::string Full() const;
};
TableName ParseTableName(std::string_view name, FileSystem* fs = nullptr);

class Table {
 public:
  Table();
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // A run of reads of one table that takes its file's reader lock once, as
  // one query would, rather than at every read that goes to the disk. Keep
  // it to the reads of one step (a page of rows): while it holds the lock no
  // other process can commit to the file. Anything else done meanwhile (a
  // write, a wait for a held row, a read of another file) lets the lock go
  // first. A batch on a table that is not open does nothing.
  class ReadBatch {
   public:
    explicit ReadBatch(Table& t);
    ~ReadBatch();
    ReadBatch(const ReadBatch&) = delete;
    ReadBatch& operator=(const ReadBatch&) = delete;

   private:
    std::shared_ptr<StoreFile> store_;
  };

  // ---- Whole-table operations ----

  // CREATE: makes the disk file when missing and writes the table's name
  // record, definition, counters and character tables. A table of that name
  // already in the file is replaced by an empty one.
  static Status Create(std::string_view name, const TableDef& def, const OpenOptions& opt = {});
  // OPEN. With declared == nullptr the stored definition is read and used;
  // otherwise it must match the stored one (else error 47) and is used.
  Status Open(std::string_view name, const TableDef* declared, const OpenOptions& opt = {});
  // SHARE: Open with deny-none sharing.
  Status Share(std::string_view name, const TableDef* declared);
  Status Close();
  bool is_open() const { return store_ != nullptr; }

  // REMOVE deletes the disk file; RENAME renames it (tables must be closed in
  // this process); COPY copies it byte by byte. The names follow the rules
  // above; only the file part counts.
  static Status Remove(std::string_view name, FileSystem* fs = nullptr);
  static Status Rename(std::string_view from, std::string_view to, FileSystem* fs = nullptr);
  static Status Copy(std::string_view from, std::string_view to, FileSystem* fs = nullptr);

  // EMPTY: deletes every row, key entry and memo of the table.
  Status Empty();
  // PACK: rewrites the whole store file compactly (all pages re-placed,
  // regions compacted); rows, numbers and keys are unchanged.
  Status Pack();
  // BUILD: with FULLBUILD on, replaces the character tables with the
  // process's current ones and rebuilds every key from all rows; otherwise
  // completes deferred keys. BuildKey rebuilds one key (a dynamic index as
  // BuildIndex does without a filter).
  Status Build();
  Status BuildKey(int key);
  // BUILD of a dynamic index (a key declared INDEX): its entries are made
  // in memory from the rows of the table, only those the filter keeps when
  // one is given, and live as long as this open instance; they never reach
  // the file. While the filter runs, the row it judges is in the record
  // buffer (so a filter expression bound to the buffer's fields sees it);
  // the buffer is restored afterwards. The index is a snapshot: rows added
  // later join it at the next build, and an entry whose row has gone is
  // passed over when read. Reading through a dynamic index that was never
  // built builds it first, without a filter. A unique index meeting a value
  // twice ends the build with error 40 and stays unbuilt; a key that is not
  // a dynamic index is error 38 (Invalid Key File).
  using RowFilter = std::function<bool()>;
  Status BuildIndex(int key, const RowFilter& keep = nullptr);
  // Rebuilds every key from all rows with the stored character tables
  // (kavo-tool rebuild).
  Status RebuildKeys();
  // Checks the table: the row counter against the rows, and that every key
  // holds exactly the entries its rows produce with a matching counter and
  // nothing left deferred. Problems are appended as readable lines; the
  // Status reports only failures to read.
  Status Verify(std::vector<std::string>* problems);

  // ---- Record buffer ----

  const TableDef& def() const { return def_; }
  uint8_t* record() { return state_.record.data(); }
  const uint8_t* record() const { return state_.record.data(); }
  size_t record_length() const { return state_.record.size(); }
  void ClearRecord();  // blanks text fields, zeroes the others, clears memos
  // Memo and BLOB contents of the current row, one per memo field. A MEMO is
  // padded with blanks to its declared size on read; a BLOB has its length.
  std::string& memo(int m) { return state_.memos[static_cast<size_t>(m)]; }
  // NOMEMO: the next read leaves the memo buffers alone.
  void NoMemo() { state_.no_memo = true; }

  // ---- Adding, changing, deleting ----

  // ADD: the buffer becomes a new row with the next record number, all keys
  // maintained; error 40 on a duplicate value of a unique key leaves
  // everything as before. The new row becomes the current row.
  Status Add();
  // APPEND: as ADD but without key maintenance: the keys become deferred from
  // this row on and are completed by the next Build.
  Status Append();
  // PUT: rewrites the current row (error 33 without one); error 89 when the
  // row or its memos changed in the file since it was read.
  Status Put();
  // PUT by record number: rewrites that row without change detection.
  Status PutRecord(uint32_t record_number);
  // DELETE: deletes the current row and its entries and memos (error 33
  // without one).
  Status Delete();

  // ---- Positioning and reading ----

  Status Set();                                          // SET(file)
  Status SetRecord(uint32_t record_number);              // SET(file, record number)
  Status SetKey(int key);                                // SET(key)
  Status SetKeyValue(int key);                           // SET(key, key): value from the buffer
  Status SetKeyRecord(int key, uint32_t record_number);  // SET(key, record number)
  // SET(key, key, record number): at the entry of this value and number, or
  // the neighbouring one.
  Status SetKeyValueRecord(int key, uint32_t record_number);
  Status Next();      // NEXT: error 33 at the end
  Status Previous();  // PREVIOUS: error 33 at the start
  // SKIP: moves n rows in the current direction (negative: backwards) without
  // reading them into the buffer.
  Status Skip(int n);
  Status Get(int key);                       // GET by key: value from the buffer
  Status GetRecord(uint32_t record_number);  // GET(file, record number)
  // GET(key, record number): the row, positioned in that key.
  Status GetKeyRecord(int key, uint32_t record_number);
  // REGET: reads the row at a stored position again.
  Status Reget(std::string_view position);
  Status Reget(int key, std::string_view position);
  // BOF/EOF: true when the last NEXT/PREVIOUS ran off the start or end.
  bool Bof() const { return state_.at_bof; }
  bool Eof() const { return state_.at_eof; }

  // POSITION: record number (4 bytes big-endian), plus the row's key value
  // for a key. Empty without a current row.
  std::string Position() const;
  std::string Position(int key) const;
  // Position(key) of the row the last NEXT or PREVIOUS read in key's order,
  // into *out: taken from the key entry that read stepped over rather than
  // encoded again from the record buffer, which must still hold the row as
  // read. After any other operation it is Position(key).
  void ReadPosition(int key, std::string* out) const;
  Status Reset(std::string_view position);           // RESET(file, position)
  Status Reset(int key, std::string_view position);  // RESET(key, position)

  // RECORDS: rows of the table, entries of a key.
  Status Records(uint32_t* count);
  Status Records(int key, uint32_t* count);
  // POINTER: record number of the current row, 0 when none.
  uint32_t Pointer() const { return state_.current_record; }
  // BYTES: bytes of the row last read or written (the record length), 0 when
  // none.
  uint32_t Bytes() const { return state_.bytes; }

  // DUPLICATE: would the buffer, written as a new row (or over the current
  // row), create a duplicate in this key / in any unique key?
  Status Duplicate(int key, bool* duplicate);
  Status Duplicate(bool* duplicate);

  // ---- Holding, watching, locking ----

  // HOLD: the following reads hold their row (hold byte, no waiting; retried
  // until seconds have passed, 0 = no limit, then error 43). RELEASE drops it.
  Status Hold(int seconds);
  Status Release();
  // WATCH: the next read keeps a copy of the row for PUT's change detection.
  // Every read keeps that copy, so WATCH only documents the intent.
  Status Watch();
  // LOCK/UNLOCK: the table lock byte, no waiting (error 32 when taken).
  Status Lock();
  Status Unlock();
  // STREAM: changes of the following operations collect in memory; FLUSH
  // commits them in one commit (and ends the stream).
  Status Stream();
  Status Flush();

  // ---- Descriptions and options ----

  std::string Name() const { return name_.Full(); }  // NAME
  // SEND: the options of the store ("TCF", "FULLBUILD", "FLAGS", "PNM=");
  // any other option answers empty.
  std::string Send(std::string_view option);
  // GET_PROPERTY/SET_PROPERTY: "Driver" ("VANTOR"), "DriverName"
  // ("Vantor (VTF) Driver 1.00"), "FullBuild" ("ON"/"OFF", settable),
  // "Flags" (settable), "Name", "RecordLength". Unknown properties answer
  // empty and cannot be set (error 80).
  std::string GetProperty(std::string_view property) const;
  Status SetProperty(std::string_view property, std::string_view value);
  std::string GetKeyProperty(int key, std::string_view property) const;  // "Name", "Flags"

  // ---- BLOB operations ----
  uint32_t BlobSize(int memo) const;
  // Yields the content (TAKE gives bytes into the blob, YIELD copies them out).
  Status BlobTake(int memo, std::string_view bytes);
  Status BlobYield(int memo, std::string* out) const;

  // For the verifier and kavo-tool.
  StoreFile* store() const { return store_.get(); }
  uint32_t table_number() const { return table_number_; }

 private:
  // True when key numbers one of the definition's keys.
  bool HasKey(int key) const { return key >= 0 && static_cast<size_t>(key) < def_.keys.size(); }

  friend class TableOps;

  std::shared_ptr<StoreFile> store_;
  TableName name_;
  TableDef def_;
  uint32_t table_number_ = 0;
  int failed_check_ = 0;

  // The record buffer and the current position: everything a positioning
  // read changes in the instance. A read that runs without the file's lock
  // keeps a copy (saved_), so that it can be run again from its start when a
  // commit came in between (StoreFile::Begin); the copy is assigned over the
  // last one, so keeping it allocates nothing once warm.
  struct ReadState {
    std::vector<uint8_t> record;
    std::vector<std::string> memos;
    bool no_memo = false;
    // Which order: -1 record order, else the key number.
    int order = -1;
    // Where the next NEXT and PREVIOUS start: a key part, and whether a
    // record with exactly that key part is read (inclusive) or passed over.
    std::string next_from;
    bool next_inclusive = true;
    std::string prev_from;
    bool prev_inclusive = true;
    uint32_t current_record = 0;  // the row last read or written, 0 when none
    // next_from is the key entry through which the last NEXT or PREVIOUS
    // read current_record.
    bool read_by_entry = false;
    uint32_t bytes = 0;
    std::vector<uint8_t> read_image;      // the row as read, for PUT
    std::vector<std::string> read_memos;  // the memos as read, for PUT
    bool at_bof = false;
    bool at_eof = false;
  };
  ReadState state_;
  ReadState saved_;
  void SaveReadState() { saved_ = state_; }
  void RestoreReadState() { state_ = saved_; }
  int hold_seconds_ = -1;                             // -1: not holding
  std::chrono::steady_clock::time_point hold_since_;  // when HOLD was called
  uint32_t held_record_ = 0;
  bool locked_ = false;
  bool streaming_ = false;
  bool full_build_ = false;
  std::shared_ptr<const class KeyCodec> codec_;
  bool oem_ = false;

  // Buffers a walk reuses from row to row: the entry found, the row record
  // and the row image read for it, and where the walk goes on from.
  struct Scratch {
    Record entry;
    Record row_record;
    std::vector<uint8_t> row;
    std::string from;
  };
  Scratch scratch_;
  // The entries of each dynamic index (entry key part -> data part, as a
  // key in the file would hold them), by key number.
  struct DynamicIndex {
    bool built = false;
    std::map<std::string, std::string, std::less<>> entries;
  };
  std::vector<DynamicIndex> dynamic_;
};

// The lock through which one thread at a time enters the record store.
std::recursive_mutex& StoreMutex();

// The transaction-control file name of the process (the "TCF" option).
std::string TransactionControlFile();
void SetTransactionControlFile(std::string name);

}  // namespace kavo
