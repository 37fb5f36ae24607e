// WebKit's web-process sandbox: every web process runs under bubblewrap, in namespaces of
// its own and with a system-call filter, its bus traffic through xdg-dbus-proxy. The shell
// does not run pages without it, unless the user says so with WebKit's own switch
// (WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS), and then every window says it is off.
#pragma once

#include <optional>
#include <string>

namespace veltrano::browser {

enum class SandboxMode { On, OptedOut };

struct SandboxCheck {
  SandboxMode mode = SandboxMode::On;
  // Why the sandbox cannot start here, in words for the user; nothing when it can.
  std::optional<std::string> problem;
};

// Tries the sandbox as WebKit makes it (the same programs, the same namespaces) with a
// program that does nothing; a few milliseconds.
SandboxCheck check_sandbox();

// What a window shows in its status bar while the sandbox is off.
inline constexpr char kSandboxOffNotice[] = "安全沙箱已关闭";

}  // namespace veltrano::browser
