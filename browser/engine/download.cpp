#include "download.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "support/glib_signal.h"

namespace veltrano::browser {
namespace {

namespace fs = std::filesystem;

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

}  // namespace

std::string safe_file_name(const char* suggested) {
  std::string name = suggested ? std::filesystem::path(suggested).filename().string() : std::string();
  for (char& c : name)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
  while (!name.empty() && name.front() == '.') name.erase(0, 1);
  return name.empty() ? std::string("下载文件") : name;
}

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

// Every signal of the download, in one place, each to the handler of its own name.
Download::Download(WebKitDownload* download, const Reporter& report, mode_t umask, Finished finished)
    : m_download(WEBKIT_DOWNLOAD(g_object_ref(download))),
      m_report(report),
      m_umask(umask),
      m_finished(std::move(finished)) {
  connect_signal<&Download::on_download_decide_destination>(download, "decide-destination", this);
  connect_signal<&Download::on_download_notify_estimated_progress>(download, "notify::estimated-progress", this);
  connect_signal<&Download::on_download_failed>(download, "failed", this);
  connect_signal<&Download::on_download_finished>(download, "finished", this);
}

Download::~Download() { g_signal_handlers_disconnect_by_data(m_download.get(), this); }

gboolean Download::on_download_decide_destination(WebKitDownload* download, gchar* suggested_name) {
  const fs::path path = claim_unique_path(download_dir(), safe_file_name(suggested_name));
  if (path.empty()) {
    webkit_download_cancel(download);
    return TRUE;
  }
  m_path = path.string();
  g_autofree gchar* uri = g_filename_to_uri(m_path.c_str(), nullptr, nullptr);
  // The file is the empty one just claimed for this download.
  webkit_download_set_allow_overwrite(download, TRUE);
  webkit_download_set_destination(download, uri);
  return TRUE;
}

void Download::on_download_notify_estimated_progress(WebKitDownload* download, GParamSpec*) {
  const int percent = static_cast<int>(webkit_download_get_estimated_progress(download) * 100);
  m_report(webkit_download_get_web_view(download),
           "正在下载 " + fs::path(m_path).filename().string() + "：" + std::to_string(percent) + "%");
}

// What a failed download left of the claimed file, it left empty: the name is free again.
void Download::on_download_failed(WebKitDownload* download, GError* error) {
  std::error_code ec;
  if (!m_path.empty() && fs::is_regular_file(m_path, ec) && fs::file_size(m_path, ec) == 0) fs::remove(m_path, ec);
  m_report(webkit_download_get_web_view(download), std::string("下载失败：") + error->message);
  m_path.clear();
}

// WebKit's last word on a download, after "failed" too. The file was made private while it
// was written; it ends as the user's umask would have made it.
void Download::on_download_finished(WebKitDownload* download) {
  if (!m_path.empty() && fs::exists(m_path)) {
    chmod(m_path.c_str(), 0666 & ~m_umask);
    if (webkit_download_get_received_data_length(download) > 0)
      m_report(webkit_download_get_web_view(download), "下载完成：" + m_path);
  }
  const Finished finished = std::move(m_finished);
  finished();  // destroys this download: nothing may follow
}

}  // namespace veltrano::browser
