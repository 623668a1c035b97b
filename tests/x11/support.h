// Helpers for the x11 tests: flindra as a child process, windows of the
// test's own on the display in $DISPLAY, pixels read back, polled waits.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Polls cond every 10 ms until it holds or `seconds` pass; true when it held.
template <class Condition>
bool waitFor(Condition cond, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// flindra started with these arguments; environment changes apply on top of
// the test's (an empty value unsets). Standard error goes to a pipe read by
// stderrText(). The destructor kills a child still running.
class Flindra {
 public:
  // With stdoutToo, standard output goes to the same pipe (else /dev/null).
  explicit Flindra(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {},
                   bool stdoutToo = false);
  ~Flindra();
  Flindra(const Flindra&) = delete;
  Flindra& operator=(const Flindra&) = delete;

  pid_t pid() const { return pid_; }
  // The exit code once the child has ended within `seconds`; none if it has
  // not (or if a signal ended it: then signalled() says which).
  std::optional<int> exitCode(double seconds);
  int signalled() const { return signal_; }
  bool running();
  void signal(int sig);
  // Everything written to standard error so far.
  const std::string& stderrText();

 private:
  pid_t pid_ = -1;
  int stderrFd_ = -1;
  bool ended_ = false;
  int status_ = 0;
  int signal_ = 0;
  std::string stderr_;
};

// Runs flindra to its end (at most 10 s) and returns exit code and stderr.
struct Outcome {
  std::optional<int> code;
  std::string stderrText;
};
Outcome runToEnd(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {});

// A mapped top-level window with the default visual, black, at (0, 0).
Window makeWindow(Display* display, int width, int height);

// Pixels of the window's rectangle whose red, green or blue is not 0; -1 when
// the window cannot be read.
int litPixels(Display* display, Window window, int x, int y, int width, int height);

// Pixels of the rectangle that are exactly this 0xRRGGBB; -1 when unreadable.
int pixelsOfColor(Display* display, Window window, int x, int y, int width, int height, unsigned long rgb);

// Pixels of the rectangle that are not a grey (red, green and blue not all
// equal); -1 when unreadable.
int tintedPixels(Display* display, Window window, int x, int y, int width, int height);

// The highest red, green or blue value in the window's top-left width x
// height; -1 when unreadable.
int brightestChannel(Display* display, Window window, int width, int height);

std::string hexId(unsigned long id);

// A private Xvfb on the first free display from :120 up, with extra
// arguments; stopped (and waited for) by the destructor.
class PrivateXvfb {
 public:
  explicit PrivateXvfb(const std::vector<std::string>& extra = {});
  ~PrivateXvfb();
  PrivateXvfb(const PrivateXvfb&) = delete;
  PrivateXvfb& operator=(const PrivateXvfb&) = delete;
  bool ready() const { return ready_; }
  const std::string& name() const { return name_; }
  void stop();

 private:
  pid_t pid_ = -1;
  std::string name_;
  bool ready_ = false;
};
