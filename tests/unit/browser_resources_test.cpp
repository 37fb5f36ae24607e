#include <gtest/gtest.h>

#include "resources.h"

namespace veltrano::browser {
namespace {

TEST(FillTemplate, EveryNamedPlaceOnceAndNothingElse) {
  const std::map<std::string_view, std::string> values = {{"URI", "http://a/@DETAIL@"}, {"DETAIL", "gone"}};
  const struct {
    const char* text;
    const char* filled;
  } cases[] = {
      {"<p>@DETAIL@</p><p>@URI@</p>", "<p>gone</p><p>http://a/@DETAIL@</p>"},  // a value is not read again
      {"@DETAIL@@DETAIL@", "gonegone"},
      {"a@b @DETAIL@", "a@b gone"},  // a lone '@' before a name
      {"@UNKNOWN@ @", "@UNKNOWN@ @"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(fill_template(c.text, values), c.filled) << c.text;
}

TEST(ResourceText, TheShellsOwnFilesAreBuiltIn) {
  for (const char* name : {"compat.js", "no-scroll-bars.js", "error-page.html"})
    EXPECT_FALSE(resource_text(name).empty()) << name;
  EXPECT_TRUE(resource_text("missing.js").empty());
}

}  // namespace
}  // namespace veltrano::browser
