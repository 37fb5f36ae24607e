#include "private_data.h"

#include <glib.h>
#include <sys/stat.h>

#include <filesystem>

namespace veltrano::browser {
namespace {

namespace fs = std::filesystem;

constexpr fs::perms kFolder = fs::perms::owner_all;
constexpr fs::perms kFile = fs::perms::owner_read | fs::perms::owner_write;

void mend(const fs::path& path, const fs::file_status& status) {
  std::error_code ec;
  if (fs::is_directory(status) && status.permissions() != kFolder)
    fs::permissions(path, kFolder, fs::perm_options::replace | fs::perm_options::nofollow, ec);
  else if (fs::is_regular_file(status) && status.permissions() != kFile)
    fs::permissions(path, kFile, fs::perm_options::replace | fs::perm_options::nofollow, ec);
}

}  // namespace

mode_t keep_new_files_private() { return umask(077); }

void make_private(const std::string& folder) {
  std::error_code ec;
  // A folder that is private already was made or mended by this shell, whose umask keeps
  // all it writes private: only a folder an earlier version left open needs the walk, which
  // a large cache would make long on every start.
  if (const fs::file_status before = fs::symlink_status(folder, ec);
      fs::is_directory(before) && before.permissions() == kFolder)
    return;
  g_mkdir_with_parents(folder.c_str(), 0700);
  mend(folder, fs::symlink_status(folder, ec));
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec))
    mend(it->path(), it->symlink_status(ec));
}

}  // namespace veltrano::browser
