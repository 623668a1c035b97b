// The settings file's watch where its folder is not the plain one: a folder
// made after the watch began, and a file that is a symlink into another
// folder. (A file replaced in its own folder: tests/wayland/saver_test.py.)
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "posix/settings_watch.h"
#include "posix/user_settings.h"
#include "posix/wait.h"

namespace {

class SettingsWatchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/flindra-watch-test.XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    root_ = folder;
  }
  void TearDown() override { std::system(("rm -rf " + root_).c_str()); }

  std::string root_;
};

// Whether the watch tells of a change within 5 s; what it told is taken.
bool toldOfChange(SettingsWatch& watch) {
  const double deadline = MsNow() + 5000;
  while (!watch.changed && WaitForInput(watch.fd(), deadline - MsNow())) watch.takeEvents();
  const bool told = watch.changed;
  watch.changed = false;
  return told;
}

TEST_F(SettingsWatchFolder, FolderMadeAfterwardsThenWatchedItself) {
  const std::string path = root_ + "/config/flindra/settings";
  SettingsWatch watch(path);
  ASSERT_EQ(SaveUserSettings(path, "fast = 4\n"), "");
  EXPECT_TRUE(toldOfChange(watch)) << "the folders made";
  ASSERT_EQ(SaveUserSettings(path, "fast = 5\n"), "");
  EXPECT_TRUE(toldOfChange(watch)) << "the file replaced in the folder made meanwhile";
}

TEST_F(SettingsWatchFolder, SymlinkedFileChangedInItsOwnFolder) {
  const std::string target = root_ + "/dotfiles/flindra-settings";
  const std::string path = root_ + "/config/settings";
  ASSERT_EQ(SaveUserSettings(target, "fast = 4\n"), "");
  ASSERT_EQ(::mkdir((root_ + "/config").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("../dotfiles/flindra-settings", path.c_str()), 0);
  SettingsWatch watch(path);
  ASSERT_EQ(SaveUserSettings(target, "fast = 5\n"), "");
  EXPECT_TRUE(toldOfChange(watch));
}

}  // namespace
