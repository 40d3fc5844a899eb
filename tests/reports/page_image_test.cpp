// Page images: what is written reads back equal, the limits hold on writing,
// and the preview queue names its pages in order and removes them on close.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "page_image_sample.h"
#include "reports/page_image.h"
#include "reports/print_preview_queue.h"

namespace kavo::reports {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/kavo-page-test-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() { ::rmdir(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(PageImage, RoundTripsEveryItemKindThroughAFile) {
  TempDir dir;
  const std::string path = dir.path() + "/p.kpi";
  PageImage page = testing::SamplePage();
  page.width_mm = 148;
  page.height_mm = 105;
  ASSERT_TRUE(WritePageImage(page, path).ok());
  PageImage back;
  Status st = ReadPageImage(path, &back);
  ASSERT_TRUE(st.ok()) << st.detail();
  EXPECT_EQ(back, page);
  std::remove(path.c_str());
}

TEST(PageImage, EmptyPageRoundTrips) {
  PageImage page;
  PageImage back;
  back.items.push_back(PageLine{});
  ASSERT_TRUE(DecodePageImage(EncodePageImage(page), &back).ok());
  EXPECT_EQ(back, page);
}

TEST(PageImage, WritingRefusesValuesTheReaderWouldReject) {
  TempDir dir;
  const std::string path = dir.path() + "/bad.kpi";
  PageImage nan_size = testing::SamplePage();
  std::get<PageText>(nan_size.items[0]).size_pt = std::nan("");
  PageImage long_face = testing::SamplePage();
  std::get<PageText>(long_face.items[1]).face.assign(kMaxFaceBytes + 1, 'A');
  PageImage negative_width = testing::SamplePage();
  std::get<PageBox>(negative_width.items[3]).rect.w = -1;
  PageImage zero_page;
  zero_page.height_mm = 0;
  for (const PageImage* page : {&nan_size, &long_face, &negative_width, &zero_page}) {
    Status st = WritePageImage(*page, path);
    EXPECT_EQ(st.code(), err::kInvalidDataFile);
    EXPECT_FALSE(Exists(path));
  }
}

TEST(PageImage, UnwritablePathIsAnErrorAndLeavesNoFile) {
  const std::string path = "/nonexistent-kavo-dir/p.kpi";
  Status st = WritePageImage(testing::SamplePage(), path);
  EXPECT_FALSE(st.ok());
  EXPECT_FALSE(Exists(path));
}

TEST(PageImage, FullDiskIsAnOperatingSystemError) {
  if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // /dev/full accepts the open and fails every write with ENOSPC.
  PageImage page = testing::SamplePage();
  std::get<PageText>(page.items[0]).text.assign(kMaxTextBytes, 'x');
  Status st = WritePageImage(page, "/dev/full");
  EXPECT_EQ(st.code(), Status::Os(ENOSPC).code());
}

TEST(PrintPreviewQueue, NamesPagesInOrderAndRemovesThemWhenCleared) {
  TempDir dir;
  std::vector<std::string> names;
  {
    PrintPreviewQueue queue(dir.path());
    EXPECT_TRUE(queue.empty());
    for (int i = 1; i <= 3; ++i) {
      PageImage page;
      page.items.push_back(PageLine{0, double(i), 10, double(i), 0.1});
      ASSERT_TRUE(queue.AddPage(page).ok());
    }
    ASSERT_EQ(queue.size(), 3u);
    for (size_t i = 0; i < queue.size(); ++i) {
      names.push_back(queue.PrintPreviewImage(i));
      EXPECT_TRUE(Exists(names.back()));
      PageImage back;
      ASSERT_TRUE(queue.ReadPage(i, &back).ok());
      EXPECT_EQ(std::get<PageLine>(back.items[0]).y1, double(i + 1));
    }
    EXPECT_LT(names[0], names[1]);
    EXPECT_LT(names[1], names[2]);
    queue.Clear();
    EXPECT_TRUE(queue.empty());
    for (const std::string& name : names) EXPECT_FALSE(Exists(name));
    // A cleared queue takes new pages again; destruction removes them.
    ASSERT_TRUE(queue.AddPage(PageImage{}).ok());
    names.assign(1, queue.PrintPreviewImage(0));
  }
  EXPECT_FALSE(Exists(names[0]));
}

TEST(PrintPreviewQueue, AFolderThatCannotBeMadeIsAnError) {
  PrintPreviewQueue queue("/nonexistent-kavo-dir");
  EXPECT_FALSE(queue.AddPage(PageImage{}).ok());
  EXPECT_TRUE(queue.empty());
}

}  // namespace
}  // namespace kavo::reports
