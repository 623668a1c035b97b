// The settings file written whole: a new folder and file, an old file
// replaced by rename (a reader holding it still sees the old bytes) with
// its permissions kept, a failure that leaves nothing behind, and a
// symbolic link written through to its file; and the watch on it where its
// folder comes later and the file is a symlink.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "posix/settings_watch.h"
#include "posix/user_settings.h"
#include "posix/wait.h"

namespace {

class UserSettingsFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/flindra-settings-test.XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    root_ = folder;
  }
  void TearDown() override { std::system(("rm -rf " + root_).c_str()); }

  std::vector<std::string> names(const std::string& folder) const {
    std::vector<std::string> found;
    if (DIR* d = ::opendir(folder.c_str())) {
      while (const dirent* e = ::readdir(d)) {
        if (e->d_name[0] != '.') found.emplace_back(e->d_name);
      }
      ::closedir(d);
    }
    return found;
  }

  std::string root_;
};

TEST_F(UserSettingsFolder, NewFolderAndFileReadBack) {
  const std::string path = root_ + "/config/flindra/settings";
  ASSERT_EQ(SaveUserSettings(path, "fast = 4\n"), "");
  const UserSettingsText read = ReadUserSettingsText(path);
  EXPECT_EQ(read.text, "fast = 4\n");
  EXPECT_EQ(read.complaint, "");
  struct stat s {};
  ASSERT_EQ(::stat(path.c_str(), &s), 0);
  EXPECT_EQ(s.st_mode & 07777, 0644u);
  EXPECT_EQ(LoadUserSettings(path).settings.Speed, 4);
  EXPECT_EQ(names(root_ + "/config/flindra"), std::vector<std::string>{"settings"});
}

TEST_F(UserSettingsFolder, OldFileReplacedWholeKeepingItsMode) {
  const std::string path = root_ + "/settings";
  ASSERT_EQ(SaveUserSettings(path, "# mine\nfast = 1\n"), "");
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  const int held = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(SaveUserSettings(path, "# mine\nfast = 9\n"), "");
  char old[32] = {};
  EXPECT_EQ(::read(held, old, sizeof old - 1), 16);
  EXPECT_STREQ(old, "# mine\nfast = 1\n");
  ::close(held);
  EXPECT_EQ(ReadUserSettingsText(path).text, "# mine\nfast = 9\n");
  struct stat s {};
  ASSERT_EQ(::stat(path.c_str(), &s), 0);
  EXPECT_EQ(s.st_mode & 07777, 0600u);
  EXPECT_EQ(names(root_), std::vector<std::string>{"settings"});
}

TEST_F(UserSettingsFolder, FailureSaysWhyAndLeavesNothing) {
  ASSERT_EQ(SaveUserSettings(root_ + "/file", "x"), "");
  const std::string under = root_ + "/file/settings";  // a folder that is a file
  EXPECT_EQ(SaveUserSettings(under, "fast = 2\n"), "cannot make the folder of " + under + ": Not a directory");
  const std::string folderPath = root_ + "/folder";  // the settings path is a folder
  ASSERT_EQ(::mkdir(folderPath.c_str(), 0755), 0);
  EXPECT_EQ(SaveUserSettings(folderPath, "fast = 2\n"), "cannot replace " + folderPath + ": Is a directory");
  EXPECT_EQ(ReadUserSettingsText(folderPath).complaint, "cannot read " + folderPath + ": Is a directory");
  EXPECT_EQ(names(root_).size(), 2u);
}

// A dotfile manager's link: the file it ends at is written, the link stays.
TEST_F(UserSettingsFolder, LinkWrittenThroughToItsFile) {
  struct Row {
    const char* what;
    std::vector<std::pair<const char*, const char*>> links;  // made in turn: name under root, what it holds
    const char* file;                                         // where the text lands, under root
    const char* old;                                          // its text before, or null: none
    const char* why;                                          // the answer after root's path, or "" when written
  };
  const Row rows[] = {
      {"relative, read against the link's folder", {{"config/settings", "../dotfiles/settings"}},
       "dotfiles/settings", "fast = 1\n", ""},
      {"a chain, relative then absolute",
       {{"config/settings", "../dotfiles/link"}, {"dotfiles/link", "ROOT/store/settings"}}, "store/settings",
       "fast = 1\n", ""},
      {"dangling: its file made", {{"config/settings", "../dotfiles/settings"}}, "dotfiles/settings", nullptr, ""},
      {"dangling into no folder", {{"config/settings", "../gone/settings"}}, "gone/settings", nullptr,
       "/config/settings's target ROOT/config/../gone/settings: No such file or directory"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string base = root_ + "/" + std::to_string(&row - rows);  // a folder a row
    auto rooted = [&](std::string text) {
      for (std::size_t at; (at = text.find("ROOT")) != std::string::npos;) text.replace(at, 4, base);
      return text;
    };
    for (const char* folder : {"", "/config", "/dotfiles", "/store"})
      ASSERT_EQ(::mkdir((base + folder).c_str(), 0755), 0);
    const std::string path = base + "/config/settings", file = base + "/" + row.file;
    if (row.old != nullptr) {
      ASSERT_EQ(SaveUserSettings(file, row.old), "");
      ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    }
    for (const auto& [name, target] : row.links)
      ASSERT_EQ(::symlink(rooted(target).c_str(), (base + "/" + name).c_str()), 0);
    const std::string why = SaveUserSettings(path, "fast = 9\n");
    struct stat link {}, written {};
    ASSERT_EQ(::lstat(path.c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    if (*row.why != '\0') {
      EXPECT_EQ(why, "cannot write " + base + rooted(row.why));
      continue;
    }
    EXPECT_EQ(why, "");
    EXPECT_EQ(ReadUserSettingsText(file).text, "fast = 9\n");
    ASSERT_EQ(::stat(file.c_str(), &written), 0);
    EXPECT_EQ(written.st_mode & 07777, row.old != nullptr ? 0600u : 0644u);
    EXPECT_EQ(names(file.substr(0, file.rfind('/'))), std::vector<std::string>{"settings"}) << "nothing beside it";
  }
}

// Whether the watch tells of a change within 5 s; what it told is taken.
bool toldOfChange(SettingsWatch& watch) {
  const double deadline = MsNow() + 5000;
  while (!watch.changed && WaitForInput(watch.fd(), deadline - MsNow())) watch.takeEvents();
  return std::exchange(watch.changed, false);
}

// (A file replaced in its own folder: tests/wayland/saver_test.py.)
TEST_F(UserSettingsFolder, WatchFollowsAFolderMadeLaterAndASymlinksTarget) {
  const std::string target = root_ + "/dotfiles/flindra", path = root_ + "/config/flindra/settings";
  SettingsWatch watch(path);
  ASSERT_EQ(SaveUserSettings(target, "fast = 4\n"), "");
  ASSERT_EQ(::mkdir((root_ + "/config").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((root_ + "/config/flindra").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("../../dotfiles/flindra", path.c_str()), 0);
  EXPECT_TRUE(toldOfChange(watch)) << "the folders made";
  ASSERT_EQ(SaveUserSettings(target, "fast = 5\n"), "");
  EXPECT_TRUE(toldOfChange(watch)) << "the symlink's target replaced in its own folder";
}

}  // namespace
