#include "download.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace veltrano::browser
