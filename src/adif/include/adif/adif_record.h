// One record of an ADIF file as the readers give it and the writers take
// it: the fields in file order, names in upper case, values as UTF-8 text.
// Application fields keep their ADIF name ("APP_KAVO_N_QSO") in both
// formats; the .adx reader and writer translate the APP element to it.
//
// A reader that meets a record it cannot read whole (a bad tag length, a
// missing <EOR>) gives the record with `problem` set and goes on with the
// next one. A broken file structure ends the file: the reader answers no
// further record and error() says what and where.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavo::adif {

struct AdifField {
  std::string name;
  std::string value;
};

struct AdifRecord {
  std::int64_t number = 0;  // 1 for the file's first record
  std::int64_t line = 0;    // line of the file where the record starts
  std::vector<AdifField> fields;
  std::string problem;  // empty when the record was read whole

  // The value of the first field of this name, or nullptr.
  const std::string* Find(std::string_view name) const;
  void Add(std::string name, std::string value) {
    fields.push_back({std::move(name), std::move(value)});
  }
};

class AdifReader {
 public:
  virtual ~AdifReader() = default;
  // The next record; false at the end of the file or after a broken
  // structure (then error() is not empty).
  virtual bool Next(AdifRecord* record) = 0;
  // What broke the file's structure and where; empty when nothing did.
  virtual const std::string& error() const = 0;
  // Bytes of the input consumed so far, for progress.
  virtual std::uint64_t consumed() const = 0;
};

class AdifWriter {
 public:
  virtual ~AdifWriter() = default;
  // False when the output stream failed.
  virtual bool Write(const AdifRecord& record) = 0;
  // Writes the closing part of the file; false when the stream failed.
  virtual bool Finish() = 0;
};

}  // namespace kavo::adif
