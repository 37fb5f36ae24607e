#include "web_context.h"

#include <fcntl.h>
#include <glibmm/miscutils.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "config.h"
#include "desktop_fonts.h"
#include "policy.h"
#include "private_data.h"
#include "resources.h"

namespace veltrano::browser {
namespace {

namespace fs = std::filesystem;

std::string data_dir(const std::string& base) { return Glib::build_filename(base, "veltrano", "browser"); }

fs::path download_dir() {
  const char* dir = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  return dir ? fs::path(dir) : fs::path(g_get_home_dir()) / "Downloads";
}

// WebKit writes a download to NAME.wkdownload, keeping a backup of what stood there, and
// moves it to NAME at the end: a name is free only when none of these exist.
bool free_name(const fs::path& candidate) {
  std::error_code ec;
  for (const char* suffix : {"~", ".wkdownload", ".wkdownload~"})
    if (fs::exists(fs::symlink_status(candidate.string() + suffix, ec))) return false;
  return true;
}

// Claims a file that did not exist before: name, else "stem (2).ext", "stem (3).ext"...
// Creating it here, exclusively, keeps two downloads from choosing the same name.
fs::path claim_unique_path(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  const fs::path base(name);
  for (int n = 1; n < 10000; ++n) {
    const fs::path candidate =
        n == 1 ? dir / base : dir / (base.stem().string() + " (" + std::to_string(n) + ")" + base.extension().string());
    if (!free_name(candidate)) continue;
    const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      close(fd);
      return candidate;
    }
    if (errno != EEXIST) break;
  }
  return {};
}

struct DownloadJob {
  WebContext::DownloadReporter report;
  std::string path;
  mode_t umask;
};

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
  m_context.reset(webkit_web_context_new_with_website_data_manager(manager.get()));
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
  const std::string agent = std::string(webkit_settings_get_user_agent(m_settings.get())) + " " + config::kProductName +
                            "/" + config::kFileVersion;
  webkit_settings_set_user_agent(m_settings.get(), agent.c_str());

  g_autofree gchar* channel = g_uuid_string_random();
  m_channel = channel;
  m_content.reset(webkit_user_content_manager_new());
  add_compatibility_scripts();
  // The desktop's fonts for every page, as the old desktop had them for every site.
  g_autoptr(WebKitUserStyleSheet) fonts =
      webkit_user_style_sheet_new(desktop_font_faces().c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                  WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
  webkit_user_content_manager_add_style_sheet(m_content.get(), fonts);
}

// Each script runs at document start in every frame of the service's pages, and nowhere else.
void WebContext::add_compatibility_scripts() {
  std::vector<std::string> patterns = service_url_patterns();
  std::vector<const char*> allow;
  for (const std::string& pattern : patterns) allow.push_back(pattern.c_str());
  allow.push_back(nullptr);
  for (const char* name : {"legacy-dom.js", "collections.js", "elements.js", "msxml.js", "filters.js", "vml-shapes.js",
                           "vml.js", "window.js"}) {
    const std::string source = fill_template(resource_text(name), {{"CHANNEL", m_channel}});
    if (source.empty()) continue;  // built in; missing only in a broken build
    g_autoptr(WebKitUserScript) script =
        webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allow.data(), nullptr);
    webkit_user_content_manager_add_script(m_content.get(), script);
  }
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
  auto* job = new DownloadJob{self->m_report, {}, self->m_user_umask};
  g_object_set_data_full(G_OBJECT(download), "veltrano-job", job,
                         [](gpointer p) { delete static_cast<DownloadJob*>(p); });

  g_signal_connect(download, "decide-destination",
                   G_CALLBACK(+[](WebKitDownload* d, const gchar* suggested, DownloadJob* j) -> gboolean {
                     const fs::path path = claim_unique_path(download_dir(), safe_file_name(suggested));
                     if (path.empty()) {
                       webkit_download_cancel(d);
                       return TRUE;
                     }
                     j->path = path.string();
                     g_autofree gchar* uri = g_filename_to_uri(j->path.c_str(), nullptr, nullptr);
                     // The file is the empty one just claimed for this download.
                     webkit_download_set_allow_overwrite(d, TRUE);
                     webkit_download_set_destination(d, uri);
                     return TRUE;
                   }),
                   job);
  g_signal_connect(download, "notify::estimated-progress",
                   G_CALLBACK(+[](WebKitDownload* d, GParamSpec*, DownloadJob* j) {
                     const int percent = static_cast<int>(webkit_download_get_estimated_progress(d) * 100);
                     j->report(webkit_download_get_web_view(d), "正在下载 " + fs::path(j->path).filename().string() +
                                                                    "：" + std::to_string(percent) + "%");
                   }),
                   job);
  g_signal_connect(download, "finished", G_CALLBACK(+[](WebKitDownload* d, DownloadJob* j) {
                     if (j->path.empty() || !fs::exists(j->path)) return;
                     chmod(j->path.c_str(), 0666 & ~j->umask);
                     if (webkit_download_get_received_data_length(d) > 0)
                       j->report(webkit_download_get_web_view(d), "下载完成：" + j->path);
                   }),
                   job);
  g_signal_connect(download, "failed", G_CALLBACK(+[](WebKitDownload* d, GError* error, DownloadJob* j) {
                     std::error_code ec;
                     if (!j->path.empty() && fs::is_regular_file(j->path, ec) && fs::file_size(j->path, ec) == 0)
                       fs::remove(j->path, ec);
                     j->report(webkit_download_get_web_view(d), std::string("下载失败：") + error->message);
                     j->path.clear();
                   }),
                   job);
}

}  // namespace veltrano::browser
