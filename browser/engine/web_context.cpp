#include "web_context.h"

#include <glibmm/fileutils.h>
#include <glibmm/miscutils.h>

#include <vector>

#include "addresses.h"
#include "config.h"
#include "desktop_fonts.h"
#include "private_data.h"
#include "resources.h"

namespace veltrano::browser {
namespace {

// Pages that declare no charset of their own are read as the Chinese desktop read them.
constexpr char kFallbackCharset[] = "GBK";

std::string data_dir(const std::string& base) { return Glib::build_filename(base, "veltrano", "browser"); }

// The web processes' module (web_extension/): beside the shell in a build, else installed.
std::string web_extensions_dir() {
  g_autofree gchar* self = g_file_read_link("/proc/self/exe", nullptr);
  if (self) {
    g_autofree gchar* folder = g_path_get_dirname(self);
    std::string built = Glib::build_filename(folder, "web-extensions");
    if (Glib::file_test(built, Glib::FILE_TEST_IS_DIR)) return built;
  }
  return config::kWebExtensionsDir;
}

// What a web process may hold before WebKit makes it give memory back (a quarter and a half
// of the limit), and where it is ended: a page that eats memory takes its own window down,
// not the desktop. The service's fullest chart needs well under a tenth of it.
constexpr unsigned kWebProcessMemoryLimitMb = 2048;
constexpr unsigned kMemoryPollSeconds = 5;

WebKitMemoryPressureSettings* web_process_memory() {
  WebKitMemoryPressureSettings* settings = webkit_memory_pressure_settings_new();
  webkit_memory_pressure_settings_set_memory_limit(settings, kWebProcessMemoryLimitMb);
  webkit_memory_pressure_settings_set_conservative_threshold(settings, 0.25);
  webkit_memory_pressure_settings_set_strict_threshold(settings, 0.5);
  webkit_memory_pressure_settings_set_kill_threshold(settings, 1.0);
  webkit_memory_pressure_settings_set_poll_interval(settings, kMemoryPollSeconds);
  return settings;
}

// Without a GPU's render node the pages are drawn by the processor anyway: composited
// layers would only add a software GL context and its buffers to every web process.
bool gpu_present() {
  g_autoptr(GDir) dri = g_dir_open("/dev/dri", 0, nullptr);
  for (const char* name; dri && (name = g_dir_read_name(dri));)
    if (g_str_has_prefix(name, "renderD")) return true;
  return false;
}

}  // namespace

WebContext::WebContext(SandboxMode mode, DownloadReporter report, DownloadGate gate)
    : m_sandbox_mode(mode),
      m_report(std::move(report)),
      m_gate(std::move(gate)),
      m_user_umask(keep_new_files_private()) {
  const std::string data = data_dir(Glib::get_user_data_dir());
  const std::string cache = data_dir(Glib::get_user_cache_dir());
  make_private(data);
  make_private(cache);
  const GObjectPtr<WebKitWebsiteDataManager> manager(webkit_website_data_manager_new(
      "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr));
  g_autoptr(WebKitMemoryPressureSettings) memory = web_process_memory();
  m_context.reset(WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", manager.get(),
                                                  "memory-pressure-settings", memory, nullptr)));
  // Each launched window has a web process of its own: what one keeps for going back and
  // forth is a copy the next does not share. The service's pages are documents read once.
  webkit_web_context_set_cache_model(m_context.get(), WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  // Before the first web process. The user's opt-out is WebKit's to read, and honour.
  webkit_web_context_set_sandbox_enabled(m_context.get(), TRUE);
  webkit_cookie_manager_set_persistent_storage(webkit_website_data_manager_get_cookie_manager(manager.get()),
                                               Glib::build_filename(data, "cookies.sqlite").c_str(),
                                               WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  g_signal_connect(m_context.get(), "download-started", G_CALLBACK(on_download_started), this);

  m_settings.reset(webkit_settings_new_with_settings(
      "javascript-can-open-windows-automatically", FALSE,  // only a click may open a window
      "allow-file-access-from-file-urls", FALSE, "allow-universal-access-from-file-urls", FALSE,
      "enable-developer-extras", FALSE, "default-charset", kFallbackCharset, nullptr));
  if (!gpu_present())
    webkit_settings_set_hardware_acceleration_policy(m_settings.get(), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  const std::string agent = std::string(webkit_settings_get_user_agent(m_settings.get())) + " " + config::kProductName +
                            "/" + config::kFileVersion;
  webkit_settings_set_user_agent(m_settings.get(), agent.c_str());

  g_autofree gchar* channel = g_uuid_string_random();
  m_channel = channel;
  // Given to every web process's module before its first page; it knows the secret only.
  webkit_web_context_set_web_extensions_directory(m_context.get(), web_extensions_dir().c_str());
  webkit_web_context_set_web_extensions_initialization_user_data(m_context.get(),
                                                                 g_variant_new_string(m_channel.c_str()));
  m_content.reset(webkit_user_content_manager_new());
  add_compatibility_scripts();
  // The desktop's fonts for every page, as the old desktop had them for every site.
  g_autoptr(WebKitUserStyleSheet) fonts =
      webkit_user_style_sheet_new(desktop_font_faces().c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                  WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
  webkit_user_content_manager_add_style_sheet(m_content.get(), fonts);
}

// The compatibility scripts, made into one by the build (browser/compat/scripts.list says
// which, in what order), run at document start in every frame of the service's pages, and
// nowhere else.
void WebContext::add_compatibility_scripts() {
  std::vector<std::string> patterns = service_url_patterns();
  std::vector<const char*> allow;
  for (const std::string& pattern : patterns) allow.push_back(pattern.c_str());
  allow.push_back(nullptr);
  const std::string source = fill_template(resource_text("compat.js"), {{"CHANNEL", m_channel}});
  if (source.empty()) return;  // built in; missing only in a broken build
  g_autoptr(WebKitUserScript) script =
      webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allow.data(), nullptr);
  webkit_user_content_manager_add_script(m_content.get(), script);
}

WebContext::~WebContext() { g_signal_handlers_disconnect_by_data(m_context.get(), this); }

// Every view gets the same settings and scripts, related or not: a related view takes only
// its web process and context from related_view, and would start with a content manager of
// its own, empty, were it not given this one.
WebKitWebView* WebContext::new_view(WebKitWebView* related_view) const {
  if (related_view)
    return WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related_view, "settings",
                                        m_settings.get(), "user-content-manager", m_content.get(), nullptr));
  return WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", m_context.get(), "settings",
                                      m_settings.get(), "user-content-manager", m_content.get(), nullptr));
}

void WebContext::on_download_started(WebKitWebContext*, WebKitDownload* download, WebContext* self) {
  if (!self->m_gate(webkit_download_get_web_view(download), download)) {
    webkit_download_cancel(download);
    return;
  }
  // Each download is ours from here until WebKit is done with it.
  auto finished = [self, download] { self->m_downloads.erase(download); };
  self->m_downloads.emplace(download,
                            std::make_unique<Download>(download, self->m_report, self->m_user_umask, finished));
}

}  // namespace veltrano::browser
