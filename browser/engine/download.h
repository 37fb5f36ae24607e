// One download, from the name it is saved under to its end. The file is claimed in the
// user's download folder before WebKit writes to it, so that no download overwrites a file
// or takes another's name, and the window that started it is told how it goes.
#pragma once

#include <sys/types.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/glib_ptr.h"

namespace veltrano::browser {

// A name the server suggested for a download, made safe as a file name in one folder.
std::string safe_file_name(const char* suggested);

// Claims a file in dir that did not exist before: name, else "stem (2).ext", "stem
// (3).ext"..., never one that WebKit's working files for it stand in the way of. Creating it
// here, exclusively, keeps two downloads from choosing the same name. Empty when none can be.
std::filesystem::path claim_unique_path(const std::filesystem::path& dir, const std::string& name);

class Download {
 public:
  // Tells the window showing view how a download goes (progress, the finished path).
  using Reporter = std::function<void(WebKitWebView* view, const std::string& message)>;
  // Called once WebKit is done with the download, whether it failed or not: the owner's
  // cue to destroy it.
  using Finished = std::function<void()>;

  // report outlives the download; umask is the user's, for the finished file.
  Download(WebKitDownload* download, const Reporter& report, mode_t umask, Finished finished);
  ~Download();
  Download(const Download&) = delete;
  Download& operator=(const Download&) = delete;

 private:
  gboolean on_download_decide_destination(WebKitDownload* download, gchar* suggested_name);
  void on_download_notify_estimated_progress(WebKitDownload* download, GParamSpec* property);
  void on_download_failed(WebKitDownload* download, GError* error);
  void on_download_finished(WebKitDownload* download);

  GObjectPtr<WebKitDownload> m_download;
  const Reporter& m_report;
  mode_t m_umask;
  Finished m_finished;
  std::string m_path;  // the file claimed for it; empty before, and after it failed
};

}  // namespace veltrano::browser
