#include "adif/adif_export.h"

#include <cstdio>
#include <fstream>
#include <memory>

#include "adif/adif_import.h"
#include "adif/adif_writers.h"
#include "adif/contact_mapping.h"
#include "data/dict_records.h"
#include "runtime/errors.h"

namespace kavo::adif {
namespace {

constexpr char kPartSuffix[] = ".part";
constexpr std::int64_t kSlice = 500;

}  // namespace

ExportSummary ExportAdifFile(Table& AAAA, const std::string& path, const ExportOptions& options,
                             const std::function<bool(double)>& keep_going) {
  ExportSummary summary;
  const std::optional<AdifFormat> format = FormatOfPath(path);
  if (!format) {
    summary.failure = "the file's name ends neither in .adi nor in .adx";
    return summary;
  }
  const std::string part = path + kPartSuffix;
  std::ofstream out(part, std::ios::binary | std::ios::trunc);
  if (!out) {
    summary.failure = "cannot write " + part;
    return summary;
  }
  std::unique_ptr<AdifWriter> writer;
  if (*format == AdifFormat::kAdx) {
    writer = std::make_unique<AdxWriter>(out);
  } else {
    writer = std::make_unique<AdiWriter>(out);
  }

  const bool period = options.from != 0 || options.to != 0;
  static const int kByDate = dict::AAAA().FindKey("AAA:BEY_D");
  uint32_t total = 0;
  Status st = AAAA.Records(&total);
  auto& AAA = *reinterpret_cast<dict::AAAARecord*>(AAAA.record());
  if (st.ok()) {
    if (period) {
      AAA.Clear();
      AAA.DATA = options.from;
      st = AAAA.SetKeyValue(kByDate);
    } else {
      st = AAAA.Set();
    }
  }
  std::int64_t seen = 0;
  while (st.ok()) {
    st = AAAA.Next();
    if (!st.ok()) break;
    ++seen;
    if (period && AAA.DATA > options.to) break;
    if (!writer->Write(ContactToAdif(AAA, *format))) {
      summary.failure = "cannot write " + part;
      break;
    }
    ++summary.written;
    if (keep_going && (seen - 1) % kSlice == 0 &&
        !keep_going(total ? static_cast<double>(seen) / total : 1.0)) {
      summary.cancelled = true;
      break;
    }
  }
  if (summary.failure.empty() && !summary.cancelled && !st.ok() &&
      st.code() != err::kRecordNotAvailable) {
    summary.failure =
        "the log cannot be read: " + ErrorText(st.code()) + " (" + std::to_string(st.code()) + ")";
  }
  if (summary.failure.empty() && !summary.cancelled && !writer->Finish()) {
    summary.failure = "cannot write " + part;
  }
  out.close();
  if (summary.failure.empty() && !summary.cancelled &&
      std::rename(part.c_str(), path.c_str()) != 0) {
    summary.failure = "cannot rename " + part + " to " + path;
  }
  if (!summary.failure.empty() || summary.cancelled) std::remove(part.c_str());
  return summary;
}

}  // namespace kavo::adif
