// The tagged reader on well-formed text in its three encodings and on
// broken input: every failure is a problem or an error, never a crash.
#include "adif/adi_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kavo::adif {
namespace {

struct Read {
  std::vector<AdifRecord> records;
  std::string error;
  AdiReader::Encoding encoding;
  bool character_counts;
};

Read ReadAll(const std::string& text) {
  std::istringstream in(text);
  AdiReader reader(in);
  Read read;
  AdifRecord record;
  while (reader.Next(&record)) read.records.push_back(record);
  read.error = reader.error();
  read.encoding = reader.encoding();
  read.character_counts = reader.character_counts();
  return read;
}

std::string Cp1251(const std::string& utf8_cyrillic_bytes) {
  // Only for the test texts: А..я (U+0410..U+044F) to 0xC0..0xFF.
  std::string out;
  for (std::size_t i = 0; i < utf8_cyrillic_bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8_cyrillic_bytes[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const unsigned cp = ((c & 0x1Fu) << 6) | (utf8_cyrillic_bytes[++i] & 0x3Fu);
    out.push_back(static_cast<char>(0xC0 + (cp - 0x410)));
  }
  return out;
}

TEST(AdiReader, HeaderFieldsAndRecordsWithByteCounts) {
  const Read read = ReadAll(
      "Exported by a logger <with a remark>\n<ADIF_VER:5>3.1.4 <EOH>\n"
      "<call:5>UA3AB <QTH:12>Москва <eor>\n"
      "<CALL:4>DL1A<BAND:3:E>20m<EOR>\n<EOR>\n");
  ASSERT_TRUE(read.error.empty()) << read.error;
  ASSERT_EQ(read.records.size(), 2u);
  EXPECT_EQ(read.records[0].number, 1);
  EXPECT_EQ(read.records[0].line, 3);
  ASSERT_EQ(read.records[0].fields.size(), 2u);
  EXPECT_EQ(read.records[0].fields[0].name, "CALL");
  EXPECT_EQ(*read.records[0].Find("QTH"), "Москва");
  EXPECT_EQ(*read.records[1].Find("BAND"), "20m");
  EXPECT_EQ(read.records[1].line, 4);
  EXPECT_EQ(read.encoding, AdiReader::Encoding::kUtf8);
  EXPECT_FALSE(read.character_counts);
}

TEST(AdiReader, CharacterCountsAreDetectedWhereBytesWouldCutOrLeaveText) {
  // "Москва" is 6 characters, 12 bytes: 6 bytes leave "ква" before the next
  // tag. "Ёж" is 2 characters: 2 bytes leave "ж" before <EOR>.
  const Read read = ReadAll(
      "<CALL:5>UA3AB <QTH:6>Москва <COMMENT:2>Ёж<EOR>\n"
      "<CALL:5>RA1AA <QTH:6>Тверь, обл<EOR>"
      "<CALL:5>RA1AB <QTH:3>Тверь<EOR>");
  ASSERT_TRUE(read.error.empty()) << read.error;
  ASSERT_EQ(read.records.size(), 3u);
  EXPECT_EQ(*read.records[0].Find("QTH"), "Москва");
  EXPECT_EQ(*read.records[0].Find("COMMENT"), "Ёж");
  EXPECT_TRUE(read.records[0].problem.empty());
  EXPECT_TRUE(read.character_counts);
  // Neither count ends at a tag: the byte count is kept and the rest is
  // passed over as text between fields.
  EXPECT_EQ(*read.records[1].Find("QTH"), "Тве");
  EXPECT_TRUE(read.records[1].problem.empty());
  // Three bytes end inside a letter and three characters leave text: in a
  // UTF-8 file that is a problem of the record, and the value is not kept.
  EXPECT_NE(read.records[2].problem.find("not valid UTF-8"), std::string::npos);
  EXPECT_EQ(read.records[2].Find("QTH"), nullptr);
}

TEST(AdiReader, TextThatIsNotUtf8IsCodePage1251) {
  const Read read = ReadAll(Cp1251("<CALL:5>UA3AB <QTH:6>Москва <COMMENT:9>Привет!!!<EOR>"));
  ASSERT_EQ(read.records.size(), 1u);
  EXPECT_EQ(read.encoding, AdiReader::Encoding::kCp1251);
  EXPECT_EQ(*read.records[0].Find("QTH"), "Москва");
  EXPECT_EQ(*read.records[0].Find("COMMENT"), "Привет!!!");
}

TEST(AdiReader, ValuesAcrossChunkBoundaries) {
  std::string text;
  const std::string qth = "Санкт-Петербург";
  for (int i = 0; i < 5000; ++i) {
    text += "<CALL:6>UA" + std::to_string(1000 + i) + " <QTH:" + std::to_string(qth.size()) + ">" +
            qth + " <EOR>\n";
  }
  const Read read = ReadAll(text);
  ASSERT_TRUE(read.error.empty());
  ASSERT_EQ(read.records.size(), 5000u);
  for (const AdifRecord& r : read.records) ASSERT_EQ(*r.Find("QTH"), qth) << r.number;
  EXPECT_EQ(read.records.back().line, 5000);
}

TEST(AdiReader, RecordProblemsAreReportedAndReadingGoesOn) {
  const Read read = ReadAll(
      "<EOH><CALL:-5>UA3AB<EOR>"
      "<CALL:99999999999>X<EOR>"
      "<CALL>UA3AB<EOR>"
      "<:3>abc<EOR>"
      "<CALL:4>DL1A<EOR>"
      "<CALL:4>DL2A");
  ASSERT_TRUE(read.error.empty()) << read.error;
  ASSERT_EQ(read.records.size(), 6u);
  for (int i : {0, 1, 2, 3}) EXPECT_FALSE(read.records[i].problem.empty()) << i;
  EXPECT_TRUE(read.records[4].problem.empty());
  EXPECT_EQ(*read.records[4].Find("CALL"), "DL1A");
  EXPECT_NE(read.records[5].problem.find("no <EOR>"), std::string::npos);
  EXPECT_EQ(*read.records[5].Find("CALL"), "DL2A");
}

TEST(AdiReader, BrokenStructureEndsTheFileWithItsPosition) {
  Read read = ReadAll("<CALL:4>DL1A<EOR>\n<CALL:4>DL2A<EOR>\n<CALL:40>DL3A<EOR>");
  EXPECT_EQ(read.records.size(), 2u);
  EXPECT_NE(read.error.find("past the end"), std::string::npos) << read.error;
  EXPECT_NE(read.error.find("line 3"), std::string::npos) << read.error;

  read = ReadAll("<CALL:4>DL1A<EOR>\n<CALL:4 DL2A<EOR>");
  EXPECT_NE(read.error.find("line 2"), std::string::npos) << read.error;
  read = ReadAll("<EOH><CALL:4>DL1A<EOR><CALL:4");
  EXPECT_NE(read.error.find("closing"), std::string::npos) << read.error;
  EXPECT_EQ(read.records.size(), 1u);
}

TEST(AdiReader, EmptyAndHeaderOnlyFilesHaveNoRecords) {
  EXPECT_TRUE(ReadAll("").records.empty());
  EXPECT_TRUE(ReadAll("just a header <EOH>\n").records.empty());
  EXPECT_TRUE(ReadAll("\xEF\xBB\xBF<EOH>").error.empty());
}

}  // namespace
}  // namespace kavo::adif
