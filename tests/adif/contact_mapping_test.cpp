// The rules between a contact and an ADIF record, one concern per test.
#include "adif/contact_mapping.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/cp1251.h"
#include "runtime/datetime.h"

namespace kavo::adif {
namespace {

AdifRecord Record(std::initializer_list<std::pair<const char*, const char*>> fields) {
  AdifRecord record;
  for (const auto& [name, value] : fields) record.Add(name, value);
  return record;
}

MappedContact Map(const AdifRecord& record, MappingOptions options = {}) {
  MappedContact mapped;
  AdifToContact(record, options, &mapped);
  return mapped;
}

std::string Utf8(std::string_view cp1251) {
  return Utf8FromCp1251(cp1251);
}

testing::AssertionResult RefusedFor(const MappedContact& mapped, const std::string& field) {
  for (const FieldProblem& p : mapped.problems) {
    if (p.field == field) return testing::AssertionSuccess() << p.reason;
  }
  return testing::AssertionFailure() << "no problem with " << field;
}

TEST(ContactMapping, DatesAndTimesAreCheckedNotGuessed) {
  MappedContact ok =
      Map(Record({{"CALL", "UA3AB"}, {"QSO_DATE", "20240229"}, {"TIME_ON", "2359"}}));
  EXPECT_TRUE(ok.problems.empty());
  EXPECT_EQ(std::int32_t{ok.AAA.DATA}, DateFromParts(2024, 2, 29));
  EXPECT_EQ(std::int32_t{ok.AAA.TIM}, TimeFromParts(23, 59, 0, 0));
  // Midnight is a time, not "no time".
  EXPECT_EQ(std::int32_t{Map(Record({{"CALL", "A"}, {"TIME_ON", "000000"}})).AAA.TIM}, kFirstTime);
  for (const char* date : {"20241301", "20230229", "2024011", "2024-01-01", "00240101", ""}) {
    EXPECT_TRUE(RefusedFor(Map(Record({{"CALL", "A"}, {"QSO_DATE", date}})), "QSO_DATE")) << date;
  }
  for (const char* time : {"2561", "2400", "12345", "1260", "123460", "12a4"}) {
    EXPECT_TRUE(RefusedFor(Map(Record({{"CALL", "A"}, {"TIME_ON", time}})), "TIME_ON")) << time;
  }
  EXPECT_TRUE(RefusedFor(Map(Record({{"QSO_DATE", "20240101"}})), "CALL"));
}

TEST(ContactMapping, ModesOfTheListOthersAsWrittenAndSatelliteAsPropagation) {
  EXPECT_EQ(dict::TextOf(Map(Record({{"CALL", "A"}, {"MODE", "pkt"}})).AAA.MODE), "PAKET");
  EXPECT_EQ(dict::TextOf(Map(Record({{"CALL", "A"}, {"MODE", "FT8"}})).AAA.MODE), "FT8");
  EXPECT_EQ(
      dict::TextOf(Map(Record({{"CALL", "A"}, {"MODE", "MFSK"}, {"SUBMODE", "FT4"}})).AAA.MODE),
      "FT4");
  MappedContact ssb = Map(Record({{"CALL", "A"}, {"MODE", "SSB"}, {"SUBMODE", "USB"}}));
  EXPECT_EQ(dict::TextOf(ssb.AAA.MODE), "SSB");
  EXPECT_EQ(ssb.not_kept, std::vector<std::string>{"SUBMODE"});
  MappedContact sat = Map(Record({{"CALL", "A"}, {"MODE", "FM"}, {"PROP_MODE", "SAT"}}));
  EXPECT_EQ(dict::TextOf(sat.AAA.MODE), "SAT");
  EXPECT_EQ(sat.not_kept, std::vector<std::string>{"MODE"});
  MappedContact eme = Map(Record({{"CALL", "A"}, {"MODE", "CW"}, {"PROP_MODE", "EME"}}));
  EXPECT_EQ(dict::TextOf(eme.AAA.MODE), "CW");
  EXPECT_EQ(eme.not_kept, std::vector<std::string>{"PROP_MODE"});
  // A mode longer than the field is refused unless cutting was asked for.
  EXPECT_TRUE(RefusedFor(Map(Record({{"CALL", "A"}, {"MODE", "DIGITALVOICE"}})), "MODE"));
  MappingOptions cut;
  cut.truncate = true;
  EXPECT_EQ(dict::TextOf(Map(Record({{"CALL", "A"}, {"MODE", "DIGITALVOICE"}}), cut).AAA.MODE),
            "DIGIT");

  for (const char* MODE : {"PAKET", "SAT", "FT4", "FT8", "CW"}) {
    dict::AAAARecord AAA;
    AAA.Clear();
    dict::SetText(AAA.POZ, "A");
    dict::SetText(AAA.MODE, MODE);
    EXPECT_EQ(dict::TextOf(Map(ContactToAdif(AAA, AdifFormat::kAdi)).AAA.MODE), MODE);
  }
}

TEST(ContactMapping, BandsFromBandOrFrequencyAndTheSharedBandsTravelExactly) {
  EXPECT_EQ(double{Map(Record({{"CALL", "A"}, {"BAND", "20M"}})).AAA.DIAPAZ}, 14.0);
  EXPECT_EQ(double{Map(Record({{"CALL", "A"}, {"FREQ", "7.012"}})).AAA.DIAPAZ}, 7.0);
  EXPECT_EQ(double{Map(Record({{"CALL", "A"}, {"BAND", "10m"}, {"FREQ", "29.6"}})).AAA.DIAPAZ},
            29.0);
  MappedContact exact = Map(Record({{"CALL", "A"}, {"BAND", "20m"}, {"FREQ", "14.025"}}));
  EXPECT_EQ(double{exact.AAA.DIAPAZ}, 14.0);
  EXPECT_EQ(exact.not_kept, std::vector<std::string>{"FREQ"});
  EXPECT_TRUE(RefusedFor(Map(Record({{"CALL", "A"}, {"BAND", "13cm"}})), "BAND"));
  EXPECT_TRUE(RefusedFor(Map(Record({{"CALL", "A"}, {"FREQ", "2400.1"}})), "FREQ"));
  EXPECT_TRUE(RefusedFor(Map(Record({{"CALL", "A"}, {"FREQ", "fourteen"}})), "FREQ"));

  dict::AAAARecord AAA;
  AAA.Clear();
  dict::SetText(AAA.POZ, "A");
  AAA.DIAPAZ = 145.0;
  AdifRecord out = ContactToAdif(AAA, AdifFormat::kAdi);
  EXPECT_EQ(*out.Find("BAND"), "2m");
  EXPECT_EQ(double{Map(out).AAA.DIAPAZ}, 145.0);
  AAA.DIAPAZ = 144.0;
  EXPECT_EQ(ContactToAdif(AAA, AdifFormat::kAdi).Find(kAppBand), nullptr);
}

TEST(ContactMapping, QslMarks) {
  const auto qsl = [](const char* sent, const char* received) {
    AdifRecord record = Record({{"CALL", "A"}});
    if (sent) record.Add("QSL_SENT", sent);
    if (received) record.Add("QSL_RCVD", received);
    return Utf8(dict::TextOf(Map(record).AAA.QSL));
  };
  EXPECT_EQ(qsl(nullptr, nullptr), "НЕТ");
  EXPECT_EQ(qsl("Y", "N"), "ОТПР");
  EXPECT_EQ(qsl("n", "y"), "ПОЛУЧ");
  EXPECT_EQ(qsl("Y", "V"), "ОБМЕН");
  EXPECT_EQ(qsl("R", "I"), "НЕТ");
  // A blank state of this program's own log travels as itself.
  dict::AAAARecord AAA;
  AAA.Clear();
  dict::SetText(AAA.POZ, "A");
  const AdifRecord blank = ContactToAdif(AAA, AdifFormat::kAdi);
  EXPECT_EQ(blank.Find("QSL_SENT"), nullptr);
  EXPECT_EQ(dict::TextOf(Map(blank).AAA.QSL), "");
}

TEST(ContactMapping, TextTheCodePageLacksOrTooLongIsRefusedUnlessAllowed) {
  const AdifRecord snow = Record({{"CALL", "A"}, {"QTH", "Москва ☃"}});
  EXPECT_TRUE(RefusedFor(Map(snow), "QTH"));
  MappingOptions replace;
  replace.replace = true;
  EXPECT_EQ(Utf8(dict::TextOf(Map(snow, replace).AAA.QTH)), "Москва ?");

  const AdifRecord long_qth = Record({{"CALL", "A"}, {"QTH", "Петропавловск-Камчатский"}});
  EXPECT_TRUE(RefusedFor(Map(long_qth), "QTH"));
  MappingOptions cut;
  cut.truncate = true;
  EXPECT_EQ(Utf8(dict::TextOf(Map(long_qth, cut).AAA.QTH)), "Петропавловск-Камчатск");
  EXPECT_TRUE(RefusedFor(Map(Record({{"CALL", "UA3ABCDEFGHIJ"}})), "CALL"));
  EXPECT_TRUE(RefusedFor(Map(Record({{"CALL", "A"}, {kAppNumber, "12x"}})), kAppNumber));
  EXPECT_TRUE(RefusedFor(Map(Record({{"CALL", "A"}, {kAppNumber, "100000000"}})), kAppNumber));
}

TEST(ContactMapping, IntlFieldsWinAndUnknownFieldsAreNamed) {
  MappedContact mapped = Map(Record({{"CALL", "A"},
                                     {"QTH", "Moskva"},
                                     {"QTH_INTL", "Москва"},
                                     {"GRIDSQUARE", "KO85"},
                                     {"APP_N1MM_EXCHANGE1", "x"}}));
  EXPECT_EQ(Utf8(dict::TextOf(mapped.AAA.QTH)), "Москва");
  EXPECT_EQ(mapped.not_kept, (std::vector<std::string>{"GRIDSQUARE", "APP_N1MM_EXCHANGE1"}));
  EXPECT_FALSE(mapped.has_country);
  EXPECT_FALSE(mapped.has_region);

  dict::AAAARecord AAA;
  AAA.Clear();
  dict::SetText(AAA.QTH, Cp1251FromUtf8("Москва"));
  dict::SetText(AAA.PRIMEC, "tnx");
  const AdifRecord adx = ContactToAdif(AAA, AdifFormat::kAdx);
  EXPECT_EQ(*adx.Find("QTH_INTL"), "Москва");
  EXPECT_EQ(adx.Find("QTH"), nullptr);
  EXPECT_EQ(*adx.Find("COMMENT"), "tnx");
  EXPECT_EQ(*ContactToAdif(AAA, AdifFormat::kAdi).Find("QTH"), "Москва");
  // The region travels even when empty, so that an import does not fill it in.
  EXPECT_EQ(*adx.Find(kAppRegion), "");
}

}  // namespace
}  // namespace kavo::adif
