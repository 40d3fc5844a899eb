// An import whose process dies at any write or flush of its commit leaves
// the log and its country table either as they were or with the whole file
// imported, never a part.
#include <gtest/gtest.h>

#include "adif/adif_export.h"
#include "adif/adif_import.h"
#include "adif_test_log.h"
#include "data_test_util.h"
#include "fault_file.h"

namespace kavo::adif {
namespace {

// An absolute directory: a transaction's link names its control file by
// its canonical name, which the in-memory file system does not make
// absolute itself.
constexpr char kLog[] = "/log";

TEST(AdifFault, ProcessDyingDuringAnImportLeavesAllOrNothing) {
  kavo::testing::ScratchDir dir;
  const std::string file = dir.File("in.adi");
  const std::vector<dict::AAAARecord> contacts = testing::EveryKindOfContact();
  {
    MemFileSystem source_fs;
    testing::TestLog source(&source_fs);
    for (const dict::AAAARecord& c : contacts) source.Add(c);
    ASSERT_TRUE(ExportAdifFile(source.AAAA, file, {}).failure.empty());
  }
  const dict::AAAARecord before = testing::Contact(100000, "OK1AB", 7.0, "CW", log::kDefaultQSL);

  int none = 0;
  int all = 0;
  for (int64_t at = 0;; ++at) {
    MemFileSystem disk;
    kavo::testing::FaultFileSystem fault(&disk);
    ImportSummary summary;
    {
      testing::TestLog log(&fault, kLog);
      log.Add(before);
      fault.Arm(fault.calls() + at);
      summary = ImportAdifFile(log.AAAA, log.DXCC, file, {});
    }
    const bool crashed = fault.crashed();
    std::size_t seen;
    uint32_t countries = 0;
    {
      testing::TestLog after(&disk, kLog);
      seen = after.All().size();
      EXPECT_TRUE(after.DXCC.Records(&countries).ok());
    }
    // The countries the import adds to the empty country table go with it.
    if (seen == 1) {
      ++none;
      EXPECT_FALSE(summary.committed) << "crash at call " << at;
      EXPECT_EQ(countries, 0u) << "crash at call " << at;
    } else {
      EXPECT_EQ(seen, contacts.size() + 1) << "crash at call " << at;
      EXPECT_EQ(countries, 4u) << "crash at call " << at;
      ++all;
    }
    if (!crashed) {
      EXPECT_TRUE(summary.committed);
      EXPECT_EQ(seen, contacts.size() + 1);
      break;
    }
    ASSERT_LT(at, 5000) << "the import never completes";
  }
  EXPECT_GT(none, 0);
  EXPECT_GT(all, 0);
}

}  // namespace
}  // namespace kavo::adif
