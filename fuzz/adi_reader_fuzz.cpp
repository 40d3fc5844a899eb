// The tagged ADIF reader and the contact mapping on arbitrary bytes: every
// record comes out or the file ends with an error, without a crash or a
// loop.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "adif/adi_reader.h"
#include "adif/contact_mapping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  kavo::adif::AdiReader reader(in);
  kavo::adif::AdifRecord record;
  kavo::adif::MappedContact mapped;
  kavo::adif::MappingOptions options;
  std::size_t records = 0;
  while (reader.Next(&record)) {
    // Each record consumes at least its "<EOR>" or ends the file.
    if (++records > size) __builtin_trap();
    options.truncate = !options.truncate;
    kavo::adif::AdifToContact(record, options, &mapped);
  }
  return 0;
}
