// Runs the kavo-tool binary on a temporary directory, as a user would.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "data/dict_tables.h"
#include "store/format.h"
#include "store/store_file.h"
#include "store/table.h"

namespace kavo::tool {
namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream s(text);
  std::string line;
  while (std::getline(s, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return cells;
    start = tab + 1;
  }
}

class KavoToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kavo-tool-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs kavo-tool with args (already quoted where needed), stdin from text;
  // with whole_command, args is the complete command line.
  Result Run(const std::string& args, const std::string& input = {}, bool whole_command = false) {
    fs::path in = dir_ / "stdin.txt", out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    std::ofstream(in, std::ios::binary) << input;
    std::string command = (whole_command ? args : std::string(KAVO_TOOL_PATH) + " " + args) + " <" +
                          in.string() + " >" + out.string() + " 2>" + err.string();
    int status = std::system(command.c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
  }

  std::string Log() const { return (dir_ / "AAAA").string(); }

  fs::path dir_;
};

// 1000 log rows with mixed-case callsigns, Cyrillic text and a blank QSL
// state now and then, in the TSV form the tool reads.
std::string LogRows(int count, std::uint32_t seed) {
  std::mt19937 rng(seed);
  const char* countries[] = {"Россия", "Germany", "USA", "Япония", "austria"};
  const char* qsl[] = {"НЕТ", "ОТПР", "ПОЛУЧ", ""};
  std::string text = "AAA:POZ\tAAA:N_QSO\tAAA:PREF\tAAA:DATA\tAAA:TIM\tAAA:DIAPAZ\tAAA:QSL\n";
  for (int i = 1; i <= count; ++i) {
    std::string call = "ua" + std::to_string(rng() % 10) + static_cast<char>('a' + rng() % 26);
    if (i % 2) std::transform(call.begin(), call.end(), call.begin(), ::toupper);
    text += call + "\t" + std::to_string(i) + "\t" + countries[rng() % 5] + "\t" +
            std::to_string(80000 + rng() % 400) + "\t" + std::to_string(1 + rng() % 8640000) +
            "\t" + (rng() % 2 ? "14.025" : "7") + "\t" + qsl[rng() % 4] + "\n";
  }
  return text;
}

TEST_F(KavoToolTest, CreateMakesTheSevenTablesAndLeavesExistingFilesAlone) {
  Result r = Run("create " + dir_.string());
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* file : {"DXCC.VTF", "NA_IOTA.VTF", "IOTA.VTF", "RAJON.VTF", "PREFRUS.VTF",
                           "PRINT.TMP", "AAAA.VTF"}) {
    EXPECT_TRUE(fs::exists(dir_ / file)) << file;
  }
  EXPECT_FALSE(fs::exists(dir_ / "SETUP.VTF"));
  EXPECT_EQ(Lines(r.out).size(), 7u);

  ASSERT_EQ(Run("load " + Log(), LogRows(10, 1)).code, 0);
  r = Run("create " + dir_.string());
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("exists\tAAAA"), std::string::npos);
  r = Run("tables " + Log());
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "UNNAMED\t1\t10\t107\n");
}

TEST_F(KavoToolTest, TablesListsEveryTableOfOneStoreFile) {
  std::string file = (dir_ / "MULTI").string();
  ASSERT_TRUE(Table::Create(file + "\\!DXCC", dict::DXCC()).ok());
  ASSERT_TRUE(Table::Create(file + "\\!PREFRUS", dict::PREFRUS()).ok());
  // Single quotes keep the shell away from the separator.
  const std::string prefrus = "'" + file + "\\!PREFRUS'";
  ASSERT_EQ(Run("load " + prefrus, "PRE:PREF\tPRE:GOROD\n77\tМосква\n78\tСПб\n").code, 0);
  Result r = Run("tables " + file);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "DXCC\t1\t0\t22\nPREFRUS\t2\t2\t22\n");
  r = Run("dump " + prefrus + " --key PRE:BEY_GOROD");
  EXPECT_EQ(r.out, "PRE:PREF\tPRE:GOROD\n77\tМосква\n78\tСПб\n");
  EXPECT_EQ(Run("check " + prefrus).code, 0);
}

TEST_F(KavoToolTest, LoadReportsBadRowsByLineAndAddsTheOthers) {
  ASSERT_EQ(Run("create " + dir_.string()).code, 0);
  std::vector<std::string> lines = Lines(LogRows(1000, 2));
  // Line numbers count the header as line 1.
  lines.insert(lines.begin() + 100, lines[5]);                      // line 101: serial 5 again
  lines.insert(lines.begin() + 200, "UA1AA\t2000\tX\t8x\t1\t7\t");  // line 201: bad date
  lines.insert(lines.begin() + 300, "UA1AB\t2001");                 // line 301: short row
  lines.insert(lines.begin() + 400, "日本\t2002\tX\t1\t1\t7\t");    // line 401: not cp1251
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  Result r = Run("load " + Log(), text);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("line 101: Creates Duplicate Key (40)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 201: AAA:DATA: bad date"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 301: 2 cells where the header names 7"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 401: AAA:POZ: text not representable"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("added 1000 rows, 4 failed"), std::string::npos) << r.err;
  EXPECT_EQ(Run("tables " + Log()).out, "UNNAMED\t1\t1000\t107\n");

  r = Run("load " + Log(), "AAA:POZ\tAAA:NOSUCH\nUA1A\t1\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("has no field AAA:NOSUCH"), std::string::npos) << r.err;
  EXPECT_EQ(Run("tables " + Log()).out, "UNNAMED\t1\t1000\t107\n");
}

TEST_F(KavoToolTest, DatesAndTimesReadableRawOnRequest) {
  ASSERT_EQ(Run("create " + dir_.string()).code, 0);
  Result r = Run("load " + Log(),
                 "AAA:POZ\tAAA:N_QSO\tAAA:DATA\tAAA:TIM\n"
                 "UA3ABC\t1\t2026-12-08\t10:20:30.00\n"
                 "UA3ABD\t2\t09.12.2026\t7:05\n"
                 "UA3ABE\t3\t82527\t3723001\n"
                 "UA3ABF\t4\t\t\n"
                 "UA3ABG\t5\t2026-02-30\t\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("line 6: AAA:DATA: bad date"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("added 4 rows, 1 failed"), std::string::npos) << r.err;

  r = Run("dump " + Log());
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 5u);
  auto date_time = [](const std::string& line) {
    std::vector<std::string> c = Cells(line);
    return c[4] + " " + c[5];
  };
  EXPECT_EQ(date_time(lines[1]), "2026-12-08 10:20:30.00");
  EXPECT_EQ(date_time(lines[2]), "2026-12-09 07:05:00.00");
  EXPECT_EQ(date_time(lines[3]), "2026-12-10 10:20:30.00");
  EXPECT_EQ(date_time(lines[4]), " ");

  r = Run("dump " + Log() + " --raw");
  ASSERT_EQ(r.code, 0) << r.err;
  lines = Lines(r.out);
  EXPECT_EQ(date_time(lines[1]), "82525 3723001");
  EXPECT_EQ(date_time(lines[4]), "0 0");
}

TEST_F(KavoToolTest, LoadRefusesTooLongTextsUnlessAskedToCut) {
  ASSERT_EQ(Run("create " + dir_.string()).code, 0);
  const std::string rows =
      "AAA:POZ\tAAA:N_QSO\tAAA:QTH\n"
      "UA3ABC\t1\tМосква\n"
      "UA3ABC/P/MM/QRP\t2\tМосква\n"
      "UA3ABE\t3\t" +
      std::string(30, 'q') + "\n";
  Result r = Run("load " + Log(), rows);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("line 3: AAA:POZ: 15 characters where the field holds 12"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("line 4: AAA:QTH: 30 characters where the field holds 22"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("added 1 rows, 2 failed"), std::string::npos) << r.err;

  ASSERT_EQ(Run("create " + (dir_ / "c").string()).code, 0);
  std::string cut = (dir_ / "c" / "AAAA").string();
  r = Run("load --truncate " + cut, rows);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("added 3 rows, 0 failed, 2 cells cut to their fields"), std::string::npos)
      << r.err;
  std::vector<std::string> lines = Lines(Run("dump " + cut).out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(Cells(lines[2])[0], "UA3ABC/P/MM/");
  EXPECT_EQ(Cells(lines[3])[10], std::string(22, 'q'));
}

TEST_F(KavoToolTest, DumpFollowsTheKeyOrderAndRoundTrips) {
  ASSERT_EQ(Run("create " + dir_.string()).code, 0);
  std::string rows = LogRows(1000, 3);
  ASSERT_EQ(Run("load " + Log(), rows).code, 0);

  Result r = Run("dump " + Log() + " --key AAA:BEY_SS");
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1001u);
  EXPECT_EQ(lines[0],
            "AAA:POZ\tAAA:PR\tAAA:N_QSO\tAAA:PREF\tAAA:DATA\tAAA:TIM\tAAA:DIAPAZ\tAAA:MODE\t"
            "AAA:RPT_1\tAAA:RPT_2\tAAA:QTH\tAAA:QSL\tAAA:PRIMEC");
  // Country case-insensitively for Latin letters (code page order, so the
  // Cyrillic names come last), then date, then time; ties by serial number.
  auto fold = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  auto sort_key = [&](const std::string& line) {
    std::vector<std::string> c = Cells(line);
    // Dates and times as written sort as they count.
    return std::make_tuple(fold(c[3]), c[4], c[5], std::stol(c[2]));
  };
  for (std::size_t i = 2; i < lines.size(); ++i) {
    ASSERT_LE(sort_key(lines[i - 1]), sort_key(lines[i])) << lines[i];
  }
  EXPECT_EQ(Cells(lines[1])[3], "austria");
  EXPECT_EQ(Cells(lines.back())[3], "Япония");

  // Rows with a blank QSL state are not in the optional QSL key.
  r = Run("dump " + Log() + " --key aaa:bey_qsl");
  ASSERT_EQ(r.code, 0);
  std::size_t blank = 0;
  for (const std::string& l : Lines(rows)) blank += l.back() == '\t';
  EXPECT_EQ(Lines(r.out).size(), 1001u - blank);

  // Record order is the load order; loading the dump into a fresh table
  // gives the same dump.
  Result all = Run("dump " + Log());
  ASSERT_EQ(all.code, 0);
  EXPECT_EQ(Cells(Lines(all.out)[1])[2], "1");
  EXPECT_EQ(Cells(Lines(all.out)[1000])[2], "1000");
  std::string copy = (dir_ / "COPY").string();
  ASSERT_EQ(Run("load " + copy, all.out).code, 1);  // COPY.VTF does not exist yet
  ASSERT_EQ(Run("create " + (dir_ / "c").string()).code, 0);
  std::string fresh = (dir_ / "c" / "AAAA").string();
  ASSERT_EQ(Run("load " + fresh, all.out).code, 0);
  EXPECT_EQ(Run("dump " + fresh).out, all.out);

  r = Run("dump " + Log() + " --key AAA:BEY_NONE");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no key named AAA:BEY_NONE"), std::string::npos);
  EXPECT_EQ(Run("dump").code, 2);
  r = Run("dump " + (dir_ / "MISSING").string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("MISSING"), std::string::npos);
}

TEST_F(KavoToolTest, DumpFilterListsOnlyPassingRowsInKeyOrder) {
  ASSERT_EQ(Run("create " + dir_.string()).code, 0);
  std::string rows = LogRows(1000, 5);
  ASSERT_EQ(Run("load " + Log(), rows).code, 0);
  Result all = Run("dump " + Log() + " --key AAA:BEY_SS --raw");
  std::string expected;
  for (const std::string& line : Lines(all.out)) {
    std::vector<std::string> c = Cells(line);
    if (expected.empty() || (c[3] == "Россия" && std::stol(c[4]) >= 80100)) expected += line + "\n";
  }
  Result r = Run("dump " + Log() +
                 " --raw --key AAA:BEY_SS --filter \"aaa:pref='Россия' and aaa:data>=80100\"");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_GT(Lines(r.out).size(), 10u);
  EXPECT_EQ(r.out, expected);

  r = Run("dump " + Log() + " --filter \"aaa:data >\"");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("error 800"), std::string::npos) << r.err;
}

TEST_F(KavoToolTest, CheckFindsDamagedKeysAndRebuildRepairsThem) {
  ASSERT_EQ(Run("create " + dir_.string()).code, 0);
  ASSERT_EQ(Run("load " + Log(), LogRows(1000, 4)).code, 0);
  Result r = Run("check " + Log());
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("sound, 1000 rows, 12 keys"), std::string::npos) << r.out;

  // Remove the first entry of key AAA:BEY_SS behind the table's back, and
  // raise the row counter.
  {
    Table t;
    ASSERT_TRUE(t.Open(Log(), nullptr).ok());
    StoreFile* store = t.store();
    std::string prefix;
    fmt::AppendBE32(&prefix, t.table_number());
    ASSERT_TRUE(store->Begin(true).ok());
    Record entry;
    bool found = false;
    ASSERT_TRUE(store->Find(prefix + '\x02', SeekMode::kAfter, &entry, &found).ok());
    ASSERT_TRUE(found);
    ASSERT_TRUE(store->Erase(entry.key(), &found).ok());
    std::string counter = prefix + "\xF6\xF3";
    std::string data(8, '\0');
    data[0] = static_cast<char>(0xE9);  // 1001 rows
    data[1] = 0x03;
    ASSERT_TRUE(store->Replace(counter, data, &found).ok());
    ASSERT_TRUE(found);
    ASSERT_TRUE(store->End(Status::OK()).ok());
  }
  r = Run("check " + Log());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("key AAA:BEY_SS: 1 entries missing, 0 entries too many"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("the row counter says 1001 but there are 1000 rows"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("key AAA:BEY_SS: the counter says 1000 but there are 999 entries"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("NOT SOUND, 3 problems"), std::string::npos) << r.out;

  r = Run("rebuild " + Log());
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "rebuilt 12 keys over 1001 rows\n");
  r = Run("check " + Log());
  // The row counter is the table's own bookkeeping: a key rebuild leaves it.
  EXPECT_EQ(r.out.find("key AAA:BEY_SS"), std::string::npos) << r.out;
}

TEST_F(KavoToolTest, DamagedFilesGiveAnErrorNeverACrashOrHang) {
  ASSERT_EQ(Run("create " + dir_.string()).code, 0);
  ASSERT_EQ(Run("load " + Log(), LogRows(600, 6)).code, 0);
  const std::string sound = ReadFile(dir_ / "AAAA.VTF");
  std::mt19937 rng(17);
  const std::string damaged = (dir_ / "DAMAGED").string();
  for (int round = 0; round < 25; ++round) {
    std::string bytes = sound;
    for (int flips = 1 + rng() % 8; flips > 0; --flips) {
      bytes[rng() % bytes.size()] ^= static_cast<char>(1 << (rng() % 8));
    }
    if (round % 5 == 4) bytes.resize(rng() % bytes.size());
    std::ofstream(dir_ / "DAMAGED.VTF", std::ios::binary | std::ios::trunc) << bytes;
    for (const std::string& command :
         {"check " + damaged, "dump " + damaged, "dump " + damaged + " --key AAA:BEY_P",
          "tables " + damaged}) {
      // timeout(1) answers 124 when the command hangs.
      Result r = Run("timeout 60 " + std::string(KAVO_TOOL_PATH) + " " + command, {}, true);
      EXPECT_TRUE(r.code == 0 || r.code == 1)
          << command << " round " << round << ": " << r.code << " " << r.err;
    }
  }
}

TEST_F(KavoToolTest, UsageAndUnknownCommands) {
  Result r = Run("");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("kavo-tool dump NAME [--key KEY]"), std::string::npos);
  EXPECT_EQ(Run("frobnicate").code, 2);
  EXPECT_EQ(Run("create").code, 2);
  EXPECT_EQ(Run("--help").code, 0);
}

TEST_F(KavoToolTest, ExportThenImportIntoAnEmptyDirectoryReproducesTheLog) {
  ASSERT_EQ(Run("create " + dir_.string()).code, 0);
  ASSERT_EQ(Run("load " + Log(), LogRows(1000, 7)).code, 0);
  const std::string before = Run("dump " + Log()).out;
  for (const char* name : {"log.adi", "log.adx"}) {
    SCOPED_TRACE(name);
    const fs::path file = dir_ / name;
    Result r = Run("export " + dir_.string() + " " + file.string());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "exported 1000 contacts to " + file.string() + "\n");
    const fs::path empty = dir_ / (std::string("copy-") + name);
    fs::create_directory(empty);
    r = Run("import " + empty.string() + " " + file.string() + " --dry-run");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("dry run"), std::string::npos);
    EXPECT_EQ(Run("dump " + (empty / "AAAA").string()).out, Lines(before).front() + "\n");
    r = Run("import " + empty.string() + " " + file.string());
    ASSERT_EQ(r.code, 0) << r.err;
    // The empty country table takes the countries of the contacts.
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              "read 1000, imported 1000, duplicates 0, refused 0, countries added 5");
    EXPECT_EQ(Run("dump " + (empty / "AAAA").string()).out, before);
    // A second import finds every contact there already.
    r = Run("import " + empty.string() + " " + file.string());
    EXPECT_EQ(r.out, "read 1000, imported 0, duplicates 1000, refused 0\n");
  }
  Result r = Run("export " + dir_.string() + " " + (dir_ / "x.adi").string() +
                 " --from 2024-01-01 --to 2023-12-31");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(Run("export " + dir_.string() + " x.txt").code, 1);
  EXPECT_EQ(Run("import " + dir_.string()).code, 2);
  EXPECT_EQ(Run("import " + dir_.string() + " " + (dir_ / "missing.adi").string()).code, 1);
}

}  // namespace
}  // namespace kavo::tool
