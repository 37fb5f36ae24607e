#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "config.h"
#include "failure_of.h"
#include "launcher/browser_launcher.h"

namespace veltrano::launcher {
namespace {

using automation::Error;
using automation::Value;

// What the launcher did to the browser object, one line per operation.
struct Recording {
  std::vector<std::string> calls;
  std::set<std::string> failing;  // members that fail when used
};

std::string describe(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Boolean: return v.to_bool() ? "bool:true" : "bool:false";
    case Value::Kind::Int16: return "i16:" + std::to_string(v.to_int16());
    case Value::Kind::Int32: return "i32:" + std::to_string(v.to_int32());
    case Value::Kind::String: return "str:" + v.to_string();
    default: return "other";
  }
}

class RecordingBrowser : public automation::Object {
 public:
  explicit RecordingBrowser(Recording& r) : m_r(r) {}
  ~RecordingBrowser() override { m_r.calls.push_back("release"); }
  Value get(std::string_view member) override {
    fail_if(member);
    return {};
  }
  void put(std::string_view member, const Value& value) override {
    m_r.calls.push_back("put " + std::string(member) + " " + describe(value));
    fail_if(member);
  }
  Value call(std::string_view member, std::span<const Value> args) override {
    std::string line = "call " + std::string(member);
    for (const Value& a : args) line += " " + describe(a);
    m_r.calls.push_back(line);
    fail_if(member);
    return {};
  }

 private:
  void fail_if(std::string_view member) {
    if (m_r.failing.contains(std::string(member))) throw Error(automation::errc::kInvalidCall, "rejected");
  }
  Recording& m_r;
};

automation::Registry registry_for(Recording& r) {
  automation::Registry registry;
  registry.add(interface::kClassName, [&r] {
    r.calls.push_back("create");
    return std::make_unique<RecordingBrowser>(r);
  });
  return registry;
}

std::vector<std::string> expected(const std::string& url, int w, int h, bool full, bool status_bar, int left = 0,
                                  int top = 0) {
  std::vector<std::string> calls = {"create",
                                    "put Visible bool:true",
                                    "call Navigate str:" + url,
                                    "put Width i16:" + std::to_string(w),
                                    "put Height i16:" + std::to_string(h),
                                    "put Left i16:" + std::to_string(left),
                                    "put Top i16:" + std::to_string(top),
                                    std::string("put FullScreen bool:") + (full ? "true" : "false"),
                                    "put addressbar bool:false",
                                    "put menubar bool:false",
                                    "put toolbar bool:false"};
  if (status_bar) calls.push_back("put statusbar i16:0");
  calls.push_back("release");
  return calls;
}

TEST(BrowserLauncher, EachProfileMakesItsCallsInOrder) {
  const std::string content = std::string("http://") + config::kContentHost;
  const std::string home = std::string("http://") + config::kHomeHost;
  // Every profile of the program's own places its window at 0, 0: one of the test's own
  // tells each member its value.
  const LaunchProfile elsewhere{"Elsewhere", Host::Home, "/x", 640, 480, 7, 9, false, true, true};
  const struct {
    const LaunchProfile& profile;
    std::vector<std::string> calls;
  } cases[] = {
      {launch_profile("Command1"), expected(content + "/freeVeltrano.asp", 600, 300, true, true)},
      {launch_profile("Command2"), expected(content + "/readme.html", 1024, 768, false, false)},
      {launch_profile("Command4"), expected(content + "/lncount/numlost.asp", 1024, 768, false, false)},
      {launch_profile("Command5"), expected(content + "/userlogin2.asp", 1024, 768, false, true)},
      {launch_profile("Label5"), expected(home, 1024, 768, false, false)},
      {elsewhere, expected(home + "/x", 640, 480, false, true, 7, 9)},
  };
  EXPECT_THROW(launch_profile("Command3"), std::out_of_range);  // it ends the program, and opens nothing
  for (const auto& c : cases) {
    Recording r;
    BrowserLauncher(c.profile, registry_for(r));
    EXPECT_EQ(r.calls, c.calls) << c.profile.name;
  }
}

TEST(BrowserLauncher, ButtonsSkipAFailingStepAndStillRelease) {
  for (const char* profile : {"Command1", "Command2", "Command4", "Command5"}) {
    Recording r;
    r.failing = {"Navigate", "Width", "FullScreen", "statusbar"};
    EXPECT_NO_THROW(BrowserLauncher(launch_profile(profile), registry_for(r))) << profile;
    const auto& p = launch_profile(profile);
    EXPECT_EQ(r.calls, expected(launch_url(p), p.width, p.height, p.fullScreen, p.setStatusBar)) << profile;
  }
}

TEST(BrowserLauncher, ButtonsWithoutABrowserDoNothingVisible) {
  const automation::Registry empty;
  for (const char* profile : {"Command1", "Command2", "Command4", "Command5"})
    EXPECT_NO_THROW(BrowserLauncher(launch_profile(profile), empty)) << profile;
}

TEST(BrowserLauncher, TheUpdateLinkStopsAtTheFirstFailureAndReleases) {
  Recording r;
  r.failing = {"Navigate"};
  EXPECT_THROW(BrowserLauncher(launch_profile("Label5"), registry_for(r)), Error);
  EXPECT_EQ(r.calls,
            (std::vector<std::string>{"create", "put Visible bool:true",
                                      "call Navigate str:http://" + std::string(config::kHomeHost), "release"}));

  const automation::Registry empty;
  EXPECT_EQ(test::failure_of([&] { BrowserLauncher(launch_profile("Label5"), empty); }),
            automation::errc::kCannotCreate)
      << "no browser, yet the launch went through";
}

}  // namespace
}  // namespace veltrano::launcher
