#include "update/version_check.h"

#include <gtest/gtest.h>

namespace veltrano::update {
namespace {

TEST(AnnouncesUpdate, AnyOtherShortTextAnnounces) {
  const struct {
    std::string latest;
    bool announces;
  } cases[] = {
      {"1.0.2", false},
      {"1.0.3", true},
      {"1.0.1", true},  // older counts too: the test only asks "different"
      {"2", true},
      {"V1.0.2", true},
      {"", false},                                          // nothing learnt
      {std::string(19, 'x'), true},                         // 19 characters
      {std::string(20, 'x'), false},                        // 20: an error page, not a version
      {"版本一点零点三版本一点零点三版本一点零", true},     // 19 characters, 57 bytes
      {"版本一点零点三版本一点零点三版本一点零点", false},  // 20 characters
      {"<html><body>404</body></html>", false},
      {std::string("1.0\0"
                   "3",
                   5),
       true},                  // NUL counts as a character
      {"1.0\xbc\xbc", false},  // not UTF-8: no decoder made it
  };
  for (const auto& c : cases) EXPECT_EQ(AnnouncesUpdate(kCurrentVersion, c.latest), c.announces) << c.latest;
}

}  // namespace
}  // namespace veltrano::update
