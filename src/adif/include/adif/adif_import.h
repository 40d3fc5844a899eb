// Bringing an ADIF file (.adi or .adx, by extension) into the log.
//
// The import is all or nothing: the whole file goes into one transaction
// on AAAA, committed only at the end, so a crash, a full disk, a broken
// file structure or Cancel leaves the log as it was. Within it each record
// is mapped (contact_mapping.h) and then:
//   - refused and reported when the mapping found problems;
//   - skipped and counted when the log already has the contact (same
//     callsign, date, time to the minute, band and mode);
//   - linked to the log's country table as the entry form links a contact:
//     a COUNTRY that names a country of the callsign's prefix in DXCC (case
//     aside) takes the table's spelling; another COUNTRY ("European
//     Russia"), or none, gives way to the prefix's first country, and the
//     replaced names are reported; a COUNTRY for a prefix that DXCC lacks is
//     added to DXCC under that prefix, as the form adds a missing country.
//     A record written by this program (it carries APP_KAVO_PR) keeps its
//     country as written, which is added to DXCC when the prefix lacks it,
//     so that a round trip is exact;
//   - given the Russian region code as if typed, when it has none;
//   - added with its own number, or numbered after the last in file order
//     when it has none; a number the log already uses is replaced by the
//     next free one and reported.
// The transaction holds DXCC too, so countries added go with the contacts.
// A report file (the file's name with ".report.txt") lists every refused
// and renumbered record (record number, line, callsign, field, reason),
// every field not kept with its count, the countries replaced and those
// added; it is written only when there is something to report.
//
// REQUIRES: AAAA and DXCC open in the calling thread; every call of one
// import on that thread, because the transaction belongs to it. Texts of
// the summary and the report are UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "adif/adif_record.h"
#include "adif/contact_mapping.h"
#include "data/transaction_scope.h"
#include "store/table.h"

namespace kavo::adif {

struct ImportOptions {
  bool dry_run = false;  // do everything, then roll back
  MappingOptions mapping;
  std::string report_path;  // empty: the file's name with ".report.txt"
};

struct ImportSummary {
  std::int64_t read = 0;
  std::int64_t imported = 0;
  std::int64_t duplicates = 0;
  std::int64_t refused = 0;
  std::int64_t renumbered = 0;
  std::int64_t countries_replaced = 0;           // records whose COUNTRY gave way to DXCC's
  std::int64_t countries_added = 0;              // countries added to DXCC
  std::map<std::string, std::int64_t> not_kept;  // field name -> records
  bool character_counts = false;                 // some .adi lengths counted characters
  bool cp1251 = false;                           // the .adi text was code page 1251
  bool committed = false;
  bool cancelled = false;
  // Why nothing was imported (a broken file, a failing log); empty if none.
  std::string failure;
  std::string report_file;     // empty when no report was written
  std::string report_failure;  // why the report could not be written

  // "read N, imported N, duplicates N, refused N" and what else happened.
  std::string Text() const;
};

// The format of a file by its extension (.adi, .adif, .adx), or nothing.
std::optional<AdifFormat> FormatOfPath(const std::string& path);

class AdifImport {
 public:
  AdifImport(Table& AAAA, Table& DXCC, ImportOptions options);
  // Rolls back an import not finished.
  ~AdifImport();
  AdifImport(const AdifImport&) = delete;
  AdifImport& operator=(const AdifImport&) = delete;

  // Opens the file and begins the transaction; false (with the failure in
  // the summary) when either cannot be done.
  bool Start(const std::string& path);
  // Imports up to `records` more records; false when nothing is left to do.
  bool Step(int records);
  // Share of the file read, 0 to 1.
  double progress() const;
  // Commits, or rolls back when this is a dry run, cancel is set or the
  // import failed; writes the report.
  const ImportSummary& Finish(bool cancel);
  const ImportSummary& summary() const { return summary_; }

 private:
  void ImportRecord(const AdifRecord& record);
  bool IsDuplicate(const dict::AAAARecord& candidate, bool* duplicate);
  // Callsign (upper case), date and minute: what a duplicate shares.
  static std::string MinuteKey(const dict::AAAARecord& contact);
  // The countries of the callsign's prefix, in country order; nullptr when
  // DXCC cannot be read (the import has then failed).
  std::vector<std::string>* CountriesOf(std::string_view callsign);
  bool AddCountry(std::string_view callsign, const std::string& STRANA,
                  std::vector<std::string>* countries);
  // Sets AAA:PREF of the contact by the log's rules (above); false when the
  // import failed.
  bool LinkCountry(const MappedContact& mapped, dict::AAAARecord* contact);
  void Refuse(const AdifRecord& record, std::string_view call, const std::string& field,
              const std::string& reason);
  void Fail(std::string failure);
  void WriteReport();

  Table& AAAA_;
  Table& DXCC_;
  ImportOptions options_;
  std::string path_;
  std::uint64_t size_ = 0;
  std::unique_ptr<std::istream> in_;
  std::unique_ptr<AdifReader> reader_;
  TransactionScope transaction_;
  bool done_ = false;
  std::int64_t next_number_ = 1;
  std::map<std::string, std::vector<std::string>>
      countries_;  // prefix (upper case) -> its countries
  // (COUNTRY as written, the country it gave way to) -> records; code page 1251.
  std::map<std::pair<std::string, std::string>, std::int64_t> replaced_;
  std::vector<std::string> added_;  // "prefix country" of the countries added, UTF-8
  // When the log was empty at the start, the contacts added so far, by
  // MinuteKey: duplicates are then found without reading the log.
  struct AddedContact {
    double DIAPAZ;
    std::string MODE;  // upper case
  };
  std::optional<std::unordered_map<std::string, std::vector<AddedContact>>> added_contacts_;
  std::vector<std::string> refusals_;
  std::vector<std::string> renumberings_;
  ImportSummary summary_;
};

// Start, Step until done, Finish. keep_going is asked with the progress
// between slices; false cancels.
ImportSummary ImportAdifFile(Table& AAAA, Table& DXCC, const std::string& path,
                             const ImportOptions& options,
                             const std::function<bool(double)>& keep_going = {});

}  // namespace kavo::adif
