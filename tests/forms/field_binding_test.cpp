#include "forms/field_binding.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/dict_records.h"
#include "data/dict_tables.h"

namespace kavo::forms {
namespace {

class FieldBindingTest : public ::testing::Test {
 protected:
  FieldBindingTest() { rec_.Clear(); }
  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(&rec_); }

  dict::AAAARecord rec_;
};

TEST_F(FieldBindingTest, DatesTimesAndNumbersGoThroughTheirPictures) {
  const FieldDescription date("AAA:DATA", Ru("Дата:"), "@D6");
  const FieldDescription time("AAA:TIM", Ru("Время:"), "@T1");
  const FieldDescription number("AAA:N_QSO", " N_QSO:", "@n-10.0");
  const FieldBinding d(dict::AAAA(), date), t(dict::AAAA(), time), n(dict::AAAA(), number);
  ASSERT_TRUE(d.ok() && t.ok() && n.ok());

  EXPECT_EQ(d.Display(bytes()), "");  // no date yet
  ASSERT_TRUE(d.Store("08/12/2026", bytes()).ok);
  EXPECT_GT(int32_t{rec_.DATA}, 0);
  EXPECT_EQ(d.Display(bytes()), "8/12/2026");
  const FieldInput wrong = d.Store("31/02/2026", bytes());
  EXPECT_FALSE(wrong.ok);
  EXPECT_NE(wrong.problem.find(Ru("Поле \"Дата\" не читается как @D6")), std::string::npos);

  ASSERT_TRUE(t.Store("22:05", bytes()).ok);
  EXPECT_EQ(t.Display(bytes()), "22:05");

  ASSERT_TRUE(n.Store("1234567", bytes()).ok);
  EXPECT_EQ(rec_.N_QSO.get(), 1234567);
  // Seven digits are what the field holds: a larger number is refused, not
  // cut, and the field keeps its value.
  EXPECT_FALSE(n.Store("12345678", bytes()).ok);
  EXPECT_EQ(rec_.N_QSO.get(), 1234567);
}

TEST_F(FieldBindingTest, ListsTakeOnlyTheirEntries) {
  FieldDescription mode("AAA:MODE", "MODE:", "@s5", FieldKind::kDropList);
  mode.Choices({"SSB", "CW"});
  FieldDescription qsl("AAA:QSL", "QSL", "@s5", FieldKind::kOptions);
  qsl.Choices({Ru("НЕТ"), Ru("ОТПР")});
  const FieldBinding m(dict::AAAA(), mode), q(dict::AAAA(), qsl);
  EXPECT_TRUE(m.Store("CW", bytes()).ok);
  EXPECT_FALSE(m.Store("AM", bytes()).ok);
  EXPECT_EQ(m.Display(bytes()), "CW");
  EXPECT_TRUE(q.Store("ОТПР", bytes()).ok);
  EXPECT_EQ(q.Display(bytes()), Ru("ОТПР"));
}

TEST_F(FieldBindingTest, TextIsTakenWholeOrNotAtAll) {
  const FieldDescription call("AAA:POZ", "Callsign", "@s12");
  const FieldBinding c(dict::AAAA(), call);
  ASSERT_TRUE(c.Store("UA1ABC", bytes()).ok);
  for (const char* refused : {"UA1ABC/QRP/MM", "UA1ABC\t", "UA1€ABC✓", "\xff"}) {
    EXPECT_FALSE(c.Store(refused, bytes()).ok) << refused;
    EXPECT_EQ(c.Display(bytes()), "UA1ABC");
  }
  // The euro sign and Cyrillic letters are in the code page.
  EXPECT_TRUE(c.Store("Я€", bytes()).ok);
  EXPECT_EQ(c.Display(bytes()), Ru("Я€"));
  EXPECT_EQ(c.Label(), "Callsign");
  EXPECT_FALSE(FieldBinding(dict::AAAA(), FieldDescription("AAA:NONE", "", "@s2")).ok());
}

}  // namespace
}  // namespace kavo::forms
