// The writers of both ADIF formats. Values are UTF-8.
//
// AdiWriter writes tagged text with every length counted in bytes (what
// LoTW, QRZ and most readers expect), one record per line after a short
// header. AdxWriter writes ADIF XML in UTF-8; an application field
// "APP_P_F" becomes <APP PROGRAMID="P" FIELDNAME="F" TYPE="S">. Every value
// is valid XML 1.0 text: control characters that XML forbids go as their
// Unicode pictures, which the .adx reader turns back (text_encoding.h).
//
// REQUIRES: field names are ADIF names (letters, digits, '_'); the caller
// checks its stream after Finish.
#pragma once

#include <ostream>
#include <string_view>

#include "adif/adif_record.h"

namespace kavo::adif {

inline constexpr std::string_view kAdifVersion = "3.1.4";
inline constexpr std::string_view kProgramId = "KAVO";

class AdiWriter final : public AdifWriter {
 public:
  explicit AdiWriter(std::ostream& out);
  bool Write(const AdifRecord& record) override;
  bool Finish() override;

 private:
  std::ostream& out_;
};

class AdxWriter final : public AdifWriter {
 public:
  explicit AdxWriter(std::ostream& out);
  bool Write(const AdifRecord& record) override;
  bool Finish() override;

 private:
  std::ostream& out_;
};

}  // namespace kavo::adif
