// flindra-add-to-xscreensaver: puts Flindra into the XScreenSaver list of
// the user who runs it (~/.xscreensaver), made from the system's defaults
// when the user has none. Running it again changes nothing.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "x11/program_list.h"

namespace {

constexpr const char* kSystemDefaults = "/etc/X11/app-defaults/XScreenSaver";
constexpr const char* kName = "flindra-add-to-xscreensaver";

[[noreturn]] void fail(const std::string& line) {
  std::fprintf(stderr, "%s: %s\n", kName, line.c_str());
  std::exit(1);
}

// The file's text; false when it cannot be read.
bool readFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream content;
  content << in.rdbuf();
  text = content.str();
  return !in.bad();
}

// Writes beside the file and renames over it, so a failure midway leaves
// the old file whole.
void replaceFile(const std::string& path, const std::string& text, mode_t mode) {
  const std::string temporary = path + ".flindra-new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      unlink(temporary.c_str());
      fail("cannot write " + temporary);
    }
  }
  if (chmod(temporary.c_str(), mode) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    fail("cannot replace " + path);
  }
}

}  // namespace

int main(int argc, char**) {
  if (argc > 1) {
    std::printf("Usage: %s\nPuts Flindra into your XScreenSaver list (~/.xscreensaver).\n", kName);
    return 0;
  }
  if (getuid() == 0 && std::getenv("SUDO_USER") != nullptr)
    fail("run it as yourself, without sudo: it edits your own ~/.xscreensaver");
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') fail("HOME is not set");
  std::string path = std::string(home) + "/.xscreensaver";

  std::string userFile;
  mode_t mode = 0644;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    char real[PATH_MAX];
    if (realpath(path.c_str(), real) != nullptr) path = real;  // a link stays a link
    mode = info.st_mode & 07777;
    if (!readFile(path, userFile)) fail("cannot read " + path);
  }

  std::string defaults;
  const bool haveDefaults = readFile(kSystemDefaults, defaults);
  const std::string defaultPrograms = ProgramsResource(defaults);
  if (ProgramsResource(userFile).empty() && defaultPrograms.empty())  // nothing to start the list from
    fail(std::string(haveDefaults ? "no list of programs in " : "cannot read ") + kSystemDefaults +
         " (is xscreensaver installed?)");
  ProgramListEdit edit = AddFlindraToPrograms(userFile, defaultPrograms);
  if (edit.alreadyListed) {
    std::printf("Flindra is already in the XScreenSaver list in %s.\n", path.c_str());
    return 0;
  }
  if (userFile.empty())
    edit.text = "# XScreenSaver Preferences File\n# The list is the system's, with Flindra added by " +
                std::string(kName) + ".\n\n" + edit.text;
  replaceFile(path, edit.text, mode);
  std::printf("Added Flindra to the XScreenSaver list in %s.\nPick \"Flindra\" in xscreensaver-settings.\n",
              path.c_str());
  return 0;
}
