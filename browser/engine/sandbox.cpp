#include "sandbox.h"

#include <glib.h>

#include "support/glib_ptr.h"

namespace veltrano::browser {
namespace {

// Where WebKit looks for them: fixed paths, not the PATH.
constexpr char kBubblewrap[] = "/usr/bin/bwrap";
constexpr char kDbusProxy[] = "/usr/bin/xdg-dbus-proxy";

std::string first_line(const char* text) {
  std::string line = text ? text : "";
  line.erase(std::min(line.find('\n'), line.size()));
  return line;
}

}  // namespace

SandboxCheck check_sandbox() {
  SandboxCheck check;
  if (g_getenv("WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS")) {
    check.mode = SandboxMode::OptedOut;
    return check;
  }
  for (const char* program : {kBubblewrap, kDbusProxy})
    if (!g_file_test(program, G_FILE_TEST_IS_EXECUTABLE)) {
      check.problem = std::string("缺少程序 ") + program + "（请安装 bubblewrap 和 xdg-dbus-proxy）";
      return check;
    }
  const char* argv[] = {kBubblewrap,
                        "--ro-bind",
                        "/",
                        "/",
                        "--proc",
                        "/proc",
                        "--dev",
                        "/dev",
                        "--unshare-pid",
                        "--unshare-ipc",
                        "--unshare-uts",
                        "--unshare-net",
                        "--die-with-parent",
                        "--",
                        "/bin/true",
                        nullptr};
  g_autofree gchar* errors = nullptr;
  int status = 0;
  ErrorSlot error;
  if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr,
                    &errors, &status, error.out()))
    check.problem = std::string("无法运行 bubblewrap：") + error.get()->message;
  else if (!g_spawn_check_wait_status(status, nullptr))
    check.problem = "bubblewrap 无法建立隔离环境：" + first_line(errors);
  return check;
}

}  // namespace veltrano::browser
