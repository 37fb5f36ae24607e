#include "private_data.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace veltrano::browser {
namespace {

namespace fs = std::filesystem;

mode_t mode_of(const fs::path& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A folder of its own for each test, gone with it whatever its modes became.
class PrivateData : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "veltrano-private-XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    m_root = name;
  }
  void TearDown() override {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(m_root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
      if (!it->is_symlink()) chmod(it->path().c_str(), it->is_directory() ? 0700 : 0600);
    fs::remove_all(m_root, ec);
  }
  fs::path m_root;
};

// Whatever an earlier version or another umask left readable, writable or searchable by the
// group or others, or short of the owner's own rights, ends 0700 for folders, 0600 for files.
TEST_F(PrivateData, EveryFolderAndFileIsMendedToTheOwnersAlone) {
  const struct {
    mode_t folder, inner, file;
  } cases[] = {
      {0755, 0755, 0644}, {0750, 0750, 0640}, {0711, 0705, 0604},
      {0770, 0777, 0666}, {0500, 0300, 0400},  // the owner's rights are given back too
  };
  for (const auto& c : cases) {
    const fs::path folder = m_root / std::to_string(c.folder), inner = folder / "inner", file = inner / "cookies";
    fs::create_directories(inner);
    std::ofstream(file) << "data";
    chmod(file.c_str(), c.file);
    chmod(inner.c_str(), c.inner);
    chmod(folder.c_str(), c.folder);
    make_private(folder);
    EXPECT_EQ(mode_of(folder), 0700u) << std::oct << c.folder;
    EXPECT_EQ(mode_of(inner), 0700u) << std::oct << c.inner;
    EXPECT_EQ(mode_of(file), 0600u) << std::oct << c.file;
  }
}

// A missing folder is made, parents and all, private; what a link inside points at is not
// the shell's to change.
TEST_F(PrivateData, MissingFoldersAreMadePrivateAndLinksNotFollowed) {
  const fs::path outside = m_root / "outside", folder = m_root / "share" / "veltrano" / "browser";
  fs::create_directories(outside);
  std::ofstream(outside / "mine.txt") << "mine";
  chmod((outside / "mine.txt").c_str(), 0644);
  chmod(outside.c_str(), 0755);
  make_private(folder);
  for (const fs::path& made : {m_root / "share", m_root / "share" / "veltrano", folder})
    EXPECT_EQ(mode_of(made), 0700u) << made;

  chmod(folder.c_str(), 0755);  // left open by an earlier version, with links in it
  fs::create_symlink(outside, folder / "to-folder");
  fs::create_symlink(outside / "mine.txt", folder / "to-file");
  make_private(folder);
  EXPECT_EQ(mode_of(folder), 0700u);
  EXPECT_EQ(mode_of(outside), 0755u);
  EXPECT_EQ(mode_of(outside / "mine.txt"), 0644u);
}

// The web engine's files are private whatever the user's umask; the user's is handed back,
// for the files meant for the user (downloads).
TEST(KeepNewFilesPrivate, WhateverTheUmaskAndItIsHandedBack) {
  const mode_t before = umask(022);
  for (const mode_t mask : {0000, 0002, 0022, 0027, 0077}) {
    umask(mask);
    EXPECT_EQ(keep_new_files_private(), mask);
    EXPECT_EQ(umask(mask), 0077u) << std::oct << mask;
  }
  umask(before);
}

}  // namespace
}  // namespace veltrano::browser
