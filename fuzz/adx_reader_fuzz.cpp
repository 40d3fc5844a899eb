// The ADIF XML reader and the contact mapping on arbitrary bytes: every
// record comes out or the file ends with an error, without a crash or a
// loop. Every record read whole, written again by the writer, reads back
// the same: the writer's text is valid XML whatever the values hold.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "adif/adif_writers.h"
#include "adif/adx_reader.h"
#include "adif/contact_mapping.h"

namespace {

// The names the writer takes: ADIF names, a letter or '_' first.
bool IsAdifName(const std::string& name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  for (char c : name) {
    if (!(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9') && c != '_') return false;
  }
  return true;
}

void CheckRoundTrip(const kavo::adif::AdifRecord& record) {
  for (const kavo::adif::AdifField& field : record.fields) {
    if (!IsAdifName(field.name)) return;
  }
  std::ostringstream out;
  kavo::adif::AdxWriter writer(out);
  if (!writer.Write(record) || !writer.Finish()) __builtin_trap();
  std::istringstream in(out.str());
  kavo::adif::AdxReader reader(in);
  kavo::adif::AdifRecord again;
  if (!reader.Next(&again) || !again.problem.empty()) __builtin_trap();
  if (again.fields.size() != record.fields.size()) __builtin_trap();
  for (std::size_t i = 0; i < record.fields.size(); ++i) {
    if (again.fields[i].name != record.fields[i].name ||
        again.fields[i].value != record.fields[i].value) {
      __builtin_trap();
    }
  }
  if (reader.Next(&again) || !reader.error().empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  kavo::adif::AdxReader reader(in);
  kavo::adif::AdifRecord record;
  kavo::adif::MappedContact mapped;
  kavo::adif::MappingOptions options;
  std::size_t records = 0;
  while (reader.Next(&record)) {
    // Each record takes at least "<RECORD/>" or ends the file.
    if (++records > size) __builtin_trap();
    options.truncate = !options.truncate;
    kavo::adif::AdifToContact(record, options, &mapped);
    if (record.problem.empty()) CheckRoundTrip(record);
  }
  return 0;
}
