#include "download.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace veltrano::browser {
namespace {

TEST(SafeFileName, StaysInItsFolder) {
  const struct {
    const char* suggested;
    const char* expected;
  } cases[] = {
      {"report.txt", "report.txt"}, {"../../.bashrc", "bashrc"}, {"a\nb.txt", "a_b.txt"},
      {"...", "下载文件"},          {nullptr, "下载文件"},       {"dir/", "下载文件"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(safe_file_name(c.suggested), c.expected) << (c.suggested ? c.suggested : "null");
}

// Each case in a folder of its own that holds the files named before it.
TEST(ClaimUniquePath, NeverAFileNorWebKitsWorkingFiles) {
  const struct {
    std::vector<std::string> present;
    const char* name;
    const char* claimed;
  } cases[] = {
      {{}, "report.txt", "report.txt"},
      {{"report.txt"}, "report.txt", "report (2).txt"},
      {{"report.txt", "report (2).txt"}, "report.txt", "report (3).txt"},
      {{"report.txt.wkdownload"}, "report.txt", "report (2).txt"},
      {{"report.txt~"}, "report.txt", "report (2).txt"},
      {{"report.txt.wkdownload~"}, "report.txt", "report (2).txt"},
      {{"data"}, "data", "data (2)"},
  };
  g_autofree gchar* top = g_dir_make_tmp("veltrano-claim-XXXXXX", nullptr);
  ASSERT_TRUE(top);
  int n = 0;
  for (const auto& c : cases) {
    const std::filesystem::path dir = std::filesystem::path(top) / std::to_string(++n);
    std::filesystem::create_directories(dir);
    for (const std::string& file : c.present) std::ofstream(dir / file) << "kept";
    const std::filesystem::path claimed = claim_unique_path(dir, c.name);
    EXPECT_EQ(claimed, dir / c.claimed) << c.name << " with " << c.present.size() << " present";
    EXPECT_EQ(std::filesystem::file_size(claimed), 0u) << c.claimed;  // claimed, empty
    for (const std::string& file : c.present) EXPECT_EQ(std::filesystem::file_size(dir / file), 4u) << file;
  }
  std::filesystem::remove_all(top);
}

}  // namespace
}  // namespace veltrano::browser
