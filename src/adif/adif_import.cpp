#include "adif/adif_import.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "adif/adi_reader.h"
#include "adif/adx_reader.h"
#include "adif/text_encoding.h"
#include "log/band_plan.h"
#include "log/country_lookup.h"
#include "log/qso_number.h"
#include "log/region_code.h"
#include "runtime/chartab.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"

namespace kavo::adif {
namespace {

constexpr char kReportSuffix[] = ".report.txt";
constexpr int kSlice = 500;
constexpr int32_t kHundredthsPerMinute = 6000;

std::string StoreFailure(const Status& st) {
  return ErrorText(st.code()) + " (" + std::to_string(st.code()) + ")";
}

// Equal as the log's keys compare text, without regard to case.
bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Upper(a) == Upper(b);
}

dict::AAAARecord& Rec(Table& AAAA) {
  return *reinterpret_cast<dict::AAAARecord*>(AAAA.record());
}

}  // namespace

std::optional<AdifFormat> FormatOfPath(const std::string& path) {
  const std::string ext = AsciiUpper(std::filesystem::path(path).extension().string());
  if (ext == ".ADI" || ext == ".ADIF") return AdifFormat::kAdi;
  if (ext == ".ADX") return AdifFormat::kAdx;
  return std::nullopt;
}

std::string ImportSummary::Text() const {
  std::string text = "read " + std::to_string(read) + ", imported " + std::to_string(imported) +
                     ", duplicates " + std::to_string(duplicates) + ", refused " +
                     std::to_string(refused);
  if (renumbered > 0) text += ", renumbered " + std::to_string(renumbered);
  if (countries_replaced > 0) {
    text += ", countries replaced " + std::to_string(countries_replaced);
  }
  if (countries_added > 0) text += ", countries added " + std::to_string(countries_added);
  text += "\n";
  if (!failure.empty()) {
    text += "failed: " + failure + "; the log was not changed\n";
  } else if (cancelled) {
    text += "cancelled: the log was not changed\n";
  } else if (!committed) {
    text += "dry run: the log was not changed\n";
  }
  if (!report_file.empty()) text += "report: " + report_file + "\n";
  if (!report_failure.empty()) text += report_failure + "\n";
  return text;
}

AdifImport::AdifImport(Table& AAAA, Table& DXCC, ImportOptions options)
    : AAAA_(AAAA), DXCC_(DXCC), options_(std::move(options)) {}

AdifImport::~AdifImport() {
  transaction_.Rollback();
}

void AdifImport::Fail(std::string failure) {
  if (summary_.failure.empty()) summary_.failure = std::move(failure);
  done_ = true;
}

bool AdifImport::Start(const std::string& path) {
  path_ = path;
  const std::optional<AdifFormat> format = FormatOfPath(path);
  if (!format) {
    Fail("the file's name ends neither in .adi nor in .adx");
    return false;
  }
  auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
  std::error_code ec;
  size_ = std::filesystem::file_size(path, ec);
  if (!*file || ec) {
    Fail("cannot read " + path);
    return false;
  }
  in_ = std::move(file);
  if (*format == AdifFormat::kAdx) {
    reader_ = std::make_unique<AdxReader>(*in_);
  } else {
    reader_ = std::make_unique<AdiReader>(*in_);
  }
  Status st = transaction_.Logout(kLogoutSeconds, {&AAAA_, &DXCC_});
  if (st.ok()) st = log::NextQsoNumber(AAAA_, &next_number_);
  uint32_t contacts = 0;
  if (st.ok()) st = AAAA_.Records(&contacts);
  if (st.ok() && contacts == 0) added_contacts_.emplace();
  if (!st.ok()) {
    Fail("the log cannot be written: " + StoreFailure(st));
    return false;
  }
  return true;
}

double AdifImport::progress() const {
  if (!reader_ || size_ == 0) return done_ ? 1.0 : 0.0;
  return std::min(1.0, static_cast<double>(reader_->consumed()) / static_cast<double>(size_));
}

bool AdifImport::Step(int records) {
  if (!reader_) return false;
  AdifRecord record;
  for (int i = 0; i < records && !done_; ++i) {
    if (!reader_->Next(&record)) {
      if (!reader_->error().empty()) Fail("the file is broken: " + reader_->error());
      done_ = true;
      break;
    }
    ImportRecord(record);
  }
  return !done_;
}

void AdifImport::Refuse(const AdifRecord& record, std::string_view call, const std::string& field,
                        const std::string& reason) {
  std::string line = "record " + std::to_string(record.number) + " (line " +
                     std::to_string(record.line) + "), " +
                     (call.empty() ? std::string("no callsign") : std::string(call)) + ", ";
  if (!field.empty()) line += field + ": ";
  refusals_.push_back(line + reason);
}

std::vector<std::string>* AdifImport::CountriesOf(std::string_view callsign) {
  std::string prefix = Upper(log::CallsignPrefix(callsign));
  auto found = countries_.find(prefix);
  if (found != countries_.end()) return &found->second;
  std::vector<std::string> countries;
  Status st = log::CountriesOfCallsign(DXCC_, callsign, &countries);
  if (!st.ok()) {
    Fail("the country table cannot be read: " + StoreFailure(st));
    return nullptr;
  }
  return &countries_.emplace(std::move(prefix), std::move(countries)).first->second;
}

bool AdifImport::AddCountry(std::string_view callsign, const std::string& STRANA,
                            std::vector<std::string>* countries) {
  auto& DXC = *reinterpret_cast<dict::DXCCRecord*>(DXCC_.record());
  DXC.Clear();
  const std::string prefix = log::CallsignPrefix(callsign);
  dict::SetText(DXC.PR, prefix);
  dict::SetText(DXC.STRANA, STRANA);
  Status st = DXCC_.Add();
  if (!st.ok()) {
    Fail("the country table cannot be written: " + StoreFailure(st));
    return false;
  }
  countries->insert(std::upper_bound(countries->begin(), countries->end(), STRANA), STRANA);
  added_.push_back(Utf8FromCp1251(prefix) + " " + Utf8FromCp1251(STRANA));
  ++summary_.countries_added;
  return true;
}

bool AdifImport::LinkCountry(const MappedContact& mapped, dict::AAAARecord* contact) {
  const std::string_view POZ = dict::TextOf(contact->POZ);
  std::vector<std::string>* countries = CountriesOf(POZ);
  if (!countries) return false;
  const std::string written(dict::TextOf(contact->PREF));
  const auto listed = std::find_if(countries->begin(), countries->end(),
                                   [&](const std::string& c) { return SameText(c, written); });
  if (mapped.has_region) {
    if (written.empty() || listed != countries->end()) return true;
    return AddCountry(POZ, written, countries);
  }
  if (!mapped.has_country) {
    dict::SetText(contact->PREF, countries->empty() ? std::string() : countries->front());
  } else if (listed != countries->end()) {
    dict::SetText(contact->PREF, *listed);
  } else if (countries->empty()) {
    return AddCountry(POZ, written, countries);
  } else {
    ++replaced_[{written, countries->front()}];
    ++summary_.countries_replaced;
    dict::SetText(contact->PREF, countries->front());
  }
  return true;
}

std::string AdifImport::MinuteKey(const dict::AAAARecord& contact) {
  std::string key = Upper(dict::TextOf(contact.POZ));
  const int32_t TIM = contact.TIM;
  const int32_t DATA = contact.DATA;
  const int32_t minute = TIM > 0 ? (TIM - kFirstTime) / kHundredthsPerMinute : -1;
  key.append(reinterpret_cast<const char*>(&DATA), sizeof DATA);
  key.append(reinterpret_cast<const char*>(&minute), sizeof minute);
  return key;
}

bool AdifImport::IsDuplicate(const dict::AAAARecord& candidate, bool* duplicate) {
  static const int kByCall = dict::AAAA().FindKey("AAA:BEY_P");
  *duplicate = false;
  if (added_contacts_) {
    const auto found = added_contacts_->find(MinuteKey(candidate));
    if (found == added_contacts_->end()) return true;
    const std::string MODE = Upper(dict::TextOf(candidate.MODE));
    for (const AddedContact& added : found->second) {
      if (log::SameDiapaz(added.DIAPAZ, candidate.DIAPAZ) && added.MODE == MODE) {
        *duplicate = true;
        break;
      }
    }
    return true;
  }
  const int32_t TIM = candidate.TIM;
  const int32_t DATA = candidate.DATA;
  const int32_t minute = TIM > 0 ? (TIM - kFirstTime) / kHundredthsPerMinute : 0;
  const int32_t from = TIM > 0 ? minute * kHundredthsPerMinute + kFirstTime : 0;
  const int32_t to = TIM > 0 ? from + kHundredthsPerMinute : 1;
  const std::string_view POZ = dict::TextOf(candidate.POZ);
  const std::string_view MODE = dict::TextOf(candidate.MODE);
  dict::AAAARecord& AAA = Rec(AAAA_);
  AAA.Clear();
  std::memcpy(AAA.POZ, candidate.POZ, sizeof AAA.POZ);
  AAA.DATA = DATA;
  AAA.TIM = from;
  Status st = AAAA_.SetKeyValue(kByCall);
  for (; st.ok();) {
    st = AAAA_.Next();
    if (!st.ok()) break;
    const int32_t at = AAA.TIM;
    if (!SameText(dict::TextOf(AAA.POZ), POZ) || AAA.DATA != DATA || at >= to) break;
    if (log::SameDiapaz(AAA.DIAPAZ, candidate.DIAPAZ) && SameText(dict::TextOf(AAA.MODE), MODE)) {
      *duplicate = true;
      break;
    }
  }
  if (!st.ok() && st.code() != err::kRecordNotAvailable) {
    Fail("the log cannot be read: " + StoreFailure(st));
    return false;
  }
  return true;
}

void AdifImport::ImportRecord(const AdifRecord& record) {
  ++summary_.read;
  MappedContact mapped;
  AdifToContact(record, options_.mapping, &mapped);
  std::sort(mapped.not_kept.begin(), mapped.not_kept.end());
  mapped.not_kept.erase(std::unique(mapped.not_kept.begin(), mapped.not_kept.end()),
                        mapped.not_kept.end());
  for (const std::string& name : mapped.not_kept) ++summary_.not_kept[name];
  const std::string* call_value = record.Find("CALL");
  const std::string call = call_value ? *call_value : std::string();
  if (!record.problem.empty() || !mapped.problems.empty()) {
    ++summary_.refused;
    if (!record.problem.empty()) Refuse(record, call, "", record.problem);
    for (const FieldProblem& p : mapped.problems) Refuse(record, call, p.field, p.reason);
    return;
  }
  dict::AAAARecord& contact = mapped.AAA;
  bool duplicate = false;
  if (!IsDuplicate(contact, &duplicate)) return;
  if (duplicate) {
    ++summary_.duplicates;
    return;
  }
  if (!LinkCountry(mapped, &contact)) return;
  if (!mapped.has_region &&
      log::RegionRuleApplies(dict::TextOf(contact.PREF), dict::TextOf(contact.PR))) {
    dict::SetText(contact.PR, log::RegionCodeOfCallsign(dict::TextOf(contact.POZ)));
  }
  std::int64_t number = mapped.N_QSO.value_or(next_number_);
  dict::AAAARecord& AAA = Rec(AAAA_);
  for (;;) {
    std::memcpy(&AAA, &contact, sizeof AAA);
    if (!AAA.N_QSO.set(number)) {
      ++summary_.refused;
      Refuse(record, call, kAppNumber, "no contact number is left for it");
      return;
    }
    Status st = AAAA_.Add();
    if (st.code() == err::kDuplicateKey && number != next_number_) {
      renumberings_.push_back("record " + std::to_string(record.number) + " (line " +
                              std::to_string(record.line) + "), " + call + ": number " +
                              std::to_string(number) + " is taken; numbered " +
                              std::to_string(next_number_));
      ++summary_.renumbered;
      number = next_number_;
      continue;
    }
    if (!st.ok()) {
      Fail("the log cannot be written: " + StoreFailure(st));
      return;
    }
    break;
  }
  next_number_ = std::max(next_number_, number + 1);
  ++summary_.imported;
  if (added_contacts_) {
    (*added_contacts_)[MinuteKey(contact)].push_back(
        {contact.DIAPAZ, Upper(dict::TextOf(contact.MODE))});
  }
}

const ImportSummary& AdifImport::Finish(bool cancel) {
  if (auto* adi = dynamic_cast<AdiReader*>(reader_.get())) {
    summary_.character_counts = adi->character_counts();
    summary_.cp1251 = adi->encoding() == AdiReader::Encoding::kCp1251;
  }
  summary_.cancelled = cancel && summary_.failure.empty();
  if (summary_.failure.empty() && !cancel && !options_.dry_run) {
    Status st = transaction_.Commit();
    if (st.ok()) {
      summary_.committed = true;
    } else {
      summary_.failure = "the log cannot be written: " + StoreFailure(st);
    }
  } else {
    transaction_.Rollback();
  }
  WriteReport();
  return summary_;
}

void AdifImport::WriteReport() {
  // A file that could not be opened has nothing to report beside it.
  if (!reader_) return;
  if (summary_.refused == 0 && summary_.renumbered == 0 && summary_.not_kept.empty() &&
      replaced_.empty() && added_.empty() && summary_.failure.empty()) {
    return;
  }
  const std::string path =
      options_.report_path.empty() ? path_ + kReportSuffix : options_.report_path;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "ADIF import of " << path_ << "\n" << summary_.Text();
  if (!refusals_.empty()) {
    out << "\nRefused records:\n";
    for (const std::string& line : refusals_) out << line << "\n";
  }
  if (!renumberings_.empty()) {
    out << "\nRenumbered records:\n";
    for (const std::string& line : renumberings_) out << line << "\n";
  }
  if (!replaced_.empty()) {
    out << "\nCountries replaced by the country of the callsign's prefix (records):\n";
    for (const auto& [names, count] : replaced_) {
      out << Utf8FromCp1251(names.first) << " -> " << Utf8FromCp1251(names.second) << " " << count
          << "\n";
    }
  }
  if (!added_.empty()) {
    out << "\nCountries added to the country table (prefix, country):\n";
    for (const std::string& line : added_) out << line << "\n";
  }
  if (!summary_.not_kept.empty()) {
    out << "\nFields not kept (records that had them):\n";
    for (const auto& [name, count] : summary_.not_kept) out << name << " " << count << "\n";
  }
  out.flush();
  if (out) {
    summary_.report_file = path;
  } else {
    summary_.report_failure = "the report could not be written to " + path;
  }
}

ImportSummary ImportAdifFile(Table& AAAA, Table& DXCC, const std::string& path,
                             const ImportOptions& options,
                             const std::function<bool(double)>& keep_going) {
  AdifImport import(AAAA, DXCC, options);
  bool cancel = false;
  if (import.Start(path)) {
    for (bool more = true; more;) {
      more = import.Step(kSlice);
      // Cancel counts until the transaction is committed.
      if (keep_going && !keep_going(import.progress())) cancel = true;
      if (cancel) break;
    }
  }
  return import.Finish(cancel);
}

}  // namespace kavo::adif
