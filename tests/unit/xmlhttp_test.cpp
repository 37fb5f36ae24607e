#include "platform/xmlhttp.h"

#include <gtest/gtest.h>

#include "failure_of.h"

namespace veltrano::platform {
namespace {

using test::failure_of;

TEST(XmlHttpRequest, OnlySynchronousGetAndHead) {
  const struct {
    const char* method;
    bool async;
    std::int32_t failure;
  } cases[] = {{"GET", true, automation::errc::kInvalidCall},
               {"POST", false, automation::errc::kInvalidCall},
               {"get", false, 0},
               {"Head", false, 0}};
  for (const auto& c : cases) {
    XmlHttpRequest request;
    EXPECT_EQ(failure_of([&] { request.call("send", {}); }), automation::errc::kWrongState);
    const automation::Value open[] = {c.method, "http://localhost/", c.async};
    EXPECT_EQ(failure_of([&] { request.call("Open", open); }), c.failure) << c.method;
    EXPECT_EQ(request.get("readystate").to_int32(), c.failure ? 0 : 1) << c.method;
  }
}

}  // namespace
}  // namespace veltrano::platform
