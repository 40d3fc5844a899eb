// Procedure contexts: the data files as the procedures of one thread see
// them. A context holds, for each of the eight tables, the thread's open
// instance of the file (position, current key, record buffer) and the usage
// counter that says how many of the thread's procedures hold it open
// (AAAA.USED, DXCC.USED, ...).
//
// Procedures started on a thread of their own get a context of their own;
// a procedure called inside its caller's thread shares the caller's context,
// and with it the record buffers (a form sees the record its browse read).
// Where the window layer runs several "started" procedures on one system
// thread, it gives each of them a DataContext of its own all the same;
// ThisThreadData() serves code that really runs on a thread of its own.
// The counters are per context, so a procedure that finds a counter above 0
// may use the file in its thread without opening it again.
//
// Invariant: a file is open exactly while its counter is above 0, except
// inside the open/release steps themselves.
//
// Files are named relative to the context's directory (the working
// directory when it is empty).
#pragma once

#include <cstdint>
#include <string>

#include "data/check_open.h"
#include "data/dict_records.h"
#include "store/file.h"
#include "store/table.h"

namespace kavo {

// One data file in one context.
class DataFile : public CheckOpenTarget {
 public:
  DataFile(const TableDef& def, std::string directory, FileSystem* fs);

  // The open instance; its record buffer is valid while the file is open.
  Table& file() { return table_; }
  const TableDef& def() const { return def_; }
  // The name handed to the record store: directory and disk name.
  const std::string& path() const { return path_; }
  void Close();

  // Usage counter: procedures of this context holding the file open.
  int32_t USED = 0;

  // CheckOpenTarget.
  Status Open(uint8_t open_mode) override;
  Status Create() override;
  Status RebuildKeys() override;
  void Send(std::string_view command) override;
  std::string Name() const override;

 protected:
  uint8_t* buffer() { return table_.record(); }

 private:
  const TableDef& def_;
  std::string path_;
  FileSystem* fs_;
  Table table_;
};

// A data file with its record buffer seen as the table's record struct.
template <typename Record>
class TypedDataFile : public DataFile {
 public:
  using DataFile::DataFile;
  // The record buffer (open file only). The structs are packed byte images
  // of the row, so they may lie over the store's buffer.
  Record& rec() { return *reinterpret_cast<Record*>(buffer()); }
};

class DataContext {
 public:
  explicit DataContext(std::string directory = {}, FileSystem* fs = nullptr);
  DataContext(const DataContext&) = delete;
  DataContext& operator=(const DataContext&) = delete;

  TypedDataFile<dict::SETUPRecord> SETUP;
  TypedDataFile<dict::DXCCRecord> DXCC;
  TypedDataFile<dict::NA_IOTARecord> NA_IOTA;
  TypedDataFile<dict::IOTARecord> IOTA;
  TypedDataFile<dict::RAJONRecord> RAJON;
  TypedDataFile<dict::PREFRUSRecord> PREFRUS;
  TypedDataFile<dict::AAAAPRINTRecord> AAAAPRINT;
  TypedDataFile<dict::AAAARecord> AAAA;

  // State of the integrity routines (ri_routines.h). They are kept per
  // context rather than once per program, so that integrity routines running
  // on two threads at once cannot take each other's saved country name or
  // record position.
  // CURRENT:POSITION of the RIUpdate routines: the position of the record
  // being written, to re-read it after a change by another station.
  std::string CURRENT_POSITION;
  // SAV:DXC:STRANA: the country name as the DXCC form read it (RISnap:DXCC).
  char SAV_DXC_STRANA[20];

  const std::string& directory() const { return directory_; }
  FileSystem* fs() const { return fs_; }

 private:
  std::string directory_;
  FileSystem* fs_;
};

// The context of the calling thread, in the working directory; made at the
// thread's first call.
DataContext& ThisThreadData();

}  // namespace kavo
