// flindra-add-to-xscreensaver: puts Flindra into the XScreenSaver list of
// the user who runs it (~/.xscreensaver), made from the system's defaults
// when the user has none; --remove takes it out again. Running it twice
// changes nothing the second time.
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// The user's home: $HOME, or the password file's when that is not set.
std::string homeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* user = getpwuid(getuid());
  if (user == nullptr || user->pw_dir == nullptr || *user->pw_dir == '\0')
    fail("HOME is not set and the password file has no home directory for you");
  return user->pw_dir;
}

// Writes a new file beside the old one (made fresh, so never through a link
// left there), flushes it to the disk and renames it over the old, so that
// a failure midway leaves the old file whole.
void replaceFile(const std::string& path, const std::string& text, mode_t mode) {
  std::string pattern = path + ".flindra-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkostemp(name.data(), O_CLOEXEC);  // O_CREAT | O_EXCL
  if (fd < 0) fail("cannot create a file beside " + path + ": " + std::strerror(errno));
  const std::string temporary = name.data();
  bool written = fchmod(fd, mode) == 0;
  for (std::size_t done = 0; written && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += static_cast<std::size_t>(n);
  }
  written = written && fsync(fd) == 0;
  written = close(fd) == 0 && written;
  if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    unlink(temporary.c_str());
    fail("cannot replace " + path + ": " + why);
  }
  // The rename itself on the disk too.
  const std::string directory = path.substr(0, path.rfind('/') + 1);
  const int dir = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string option = argc > 1 ? argv[1] : "";
  if (option == "--help" || option == "-h") {
    std::printf("Usage: %s [--remove]\nPuts Flindra into your XScreenSaver list (~/.xscreensaver), or takes it out.\n",
                kName);
    return 0;
  }
  if (argc > 2 || (argc == 2 && option != "--remove"))
    fail("unknown option \"" + std::string(argv[argc - 1]) + "\" (--remove takes Flindra out, --help says so)");
  const bool removing = argc == 2;
  if (getuid() == 0 && std::getenv("SUDO_USER") != nullptr)
    fail("run it as yourself, without sudo: it edits your own ~/.xscreensaver");
  std::string path = homeDirectory() + "/.xscreensaver";

  std::string userFile;
  mode_t mode = 0644;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    char real[PATH_MAX];
    if (realpath(path.c_str(), real) != nullptr) path = real;  // a link stays a link
    if (!S_ISREG(info.st_mode)) fail(path + " is not a file");
    mode = info.st_mode & 07777;
    if (!readFile(path, userFile)) fail("cannot read " + path);
    if (userFile.find('\0') != std::string::npos)
      fail(path + " holds NUL bytes, which XScreenSaver cannot read; it is left as it is");
  } else if (errno != ENOENT) {
    fail("cannot read " + path + ": " + std::strerror(errno));
  }

  if (removing) {
    const ProgramListEdit edit = RemoveFlindraFromPrograms(userFile);
    if (!edit.listed) {
      std::printf("Flindra is not in the XScreenSaver list in %s; nothing to take out.\n", path.c_str());
      return 0;
    }
    if (!edit.changed)
      fail("cannot take Flindra out of " + path +
           " without changing the other entries; untick or delete it in xscreensaver-settings");
    replaceFile(path, edit.text, mode);
    std::printf("Took Flindra out of the XScreenSaver list in %s.\n", path.c_str());
    return 0;
  }

  std::string defaults;
  const bool haveDefaults = readFile(kSystemDefaults, defaults);
  const std::string defaultPrograms = ProgramsResource(defaults);
  if (!ReadProgramList(userFile).found && defaultPrograms.empty())  // nothing to start the list from
    fail(std::string(haveDefaults ? "no list of programs in " : "cannot read ") + kSystemDefaults +
         " (is xscreensaver installed?)");
  ProgramListEdit edit = AddFlindraToPrograms(userFile, defaultPrograms);
  if (edit.listed) {
    if (edit.enabled)
      std::printf("Flindra is already in the XScreenSaver list in %s.\n", path.c_str());
    else
      std::printf("Flindra is already in the XScreenSaver list in %s, switched off: tick it in "
                  "xscreensaver-settings.\n",
                  path.c_str());
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
