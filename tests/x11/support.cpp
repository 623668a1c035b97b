#include "support.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

std::vector<std::string> environmentWith(const std::map<std::string, std::string>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (changes.count(name) == 0) env.push_back(entry);
  }
  for (const auto& [name, value] : changes)
    if (!value.empty()) env.push_back(name + "=" + value);
  return env;
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            posix_spawn_file_actions_t* actions) {
  std::vector<char*> a, e;
  for (const auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
  a.push_back(nullptr);
  for (const auto& s : env) e.push_back(const_cast<char*>(s.c_str()));
  e.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, a[0], actions, nullptr, a.data(), e.data()) != 0) return -1;
  return pid;
}

}  // namespace

Flindra::Flindra(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                 bool stdoutToo) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  if (stdoutToo) posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  else posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> argv{FLINDRA_PROGRAM};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_ = spawn(argv, environmentWith(env), &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  stderrFd_ = fds[0];
  fcntl(stderrFd_, F_SETFL, O_NONBLOCK);
}

Flindra::~Flindra() {
  if (running()) {
    kill(pid_, SIGKILL);
    exitCode(10);
  }
  if (stderrFd_ >= 0) close(stderrFd_);
}

bool Flindra::running() {
  if (pid_ <= 0 || ended_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    ended_ = true;
    status_ = status;
    if (WIFSIGNALED(status)) signal_ = WTERMSIG(status);
    return false;
  }
  return true;
}

std::optional<int> Flindra::exitCode(double seconds) {
  if (!waitFor([&] { return !running(); }, seconds)) return std::nullopt;
  if (!WIFEXITED(status_)) return std::nullopt;
  return WEXITSTATUS(status_);
}

void Flindra::signal(int sig) {
  if (running()) kill(pid_, sig);
}

const std::string& Flindra::stderrText() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(stderrFd_, buffer, sizeof buffer);
    if (n <= 0) break;
    stderr_.append(buffer, static_cast<std::size_t>(n));
  }
  return stderr_;
}

Outcome runToEnd(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
  Flindra program(args, env);
  Outcome outcome;
  outcome.code = program.exitCode(10);
  outcome.stderrText = program.stderrText();
  return outcome;
}

Window makeWindow(Display* display, int width, int height) {
  const int screen = DefaultScreen(display);
  const Window window =
      XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, BlackPixel(display, screen), BlackPixel(display, screen));
  XMapWindow(display, window);
  XSync(display, False);
  return window;
}

namespace {

// Calls see(0xRRGGBB) for each pixel of the rectangle; false when unreadable.
template <class See>
bool scanPixels(Display* display, Window window, int x, int y, int width, int height, See see) {
  XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                            AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column) see(XGetPixel(image, column, row) & 0xFFFFFF);
  XDestroyImage(image);
  return true;
}

}  // namespace

int litPixels(Display* display, Window window, int x, int y, int width, int height) {
  int lit = 0;
  const bool read = scanPixels(display, window, x, y, width, height, [&](unsigned long p) { lit += p != 0; });
  return read ? lit : -1;
}

int pixelsOfColor(Display* display, Window window, int x, int y, int width, int height, unsigned long rgb) {
  int found = 0;
  const bool read = scanPixels(display, window, x, y, width, height, [&](unsigned long p) { found += p == rgb; });
  return read ? found : -1;
}

int tintedPixels(Display* display, Window window, int x, int y, int width, int height) {
  int tinted = 0;
  const bool read = scanPixels(display, window, x, y, width, height, [&](unsigned long p) {
    tinted += (p & 0xFF) != ((p >> 8) & 0xFF) || (p & 0xFF) != ((p >> 16) & 0xFF);
  });
  return read ? tinted : -1;
}

int brightestChannel(Display* display, Window window, int width, int height) {
  int brightest = 0;
  const bool read = scanPixels(display, window, 0, 0, width, height, [&](unsigned long p) {
    for (int shift : {0, 8, 16}) brightest = std::max(brightest, static_cast<int>((p >> shift) & 0xFF));
  });
  return read ? brightest : -1;
}

std::string hexId(unsigned long id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

PrivateXvfb::PrivateXvfb(const std::vector<std::string>& extra) {
  int n = 120;
  struct stat info {};
  while (stat(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), &info) == 0 ||
         stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &info) == 0)
    ++n;
  name_ = ":" + std::to_string(n);
  std::vector<std::string> argv{"Xvfb", name_, "-screen", "0", "640x480x24", "-nolisten", "tcp"};
  argv.insert(argv.end(), extra.begin(), extra.end());
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_ = spawn(argv, environmentWith({}), &actions);
  posix_spawn_file_actions_destroy(&actions);
  ready_ = pid_ > 0 && waitFor(
                           [&] {
                             Display* d = XOpenDisplay(name_.c_str());
                             if (d == nullptr) return false;
                             XCloseDisplay(d);
                             return true;
                           },
                           10);
}

PrivateXvfb::~PrivateXvfb() { stop(); }

void PrivateXvfb::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}
