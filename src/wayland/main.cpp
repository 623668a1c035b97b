// flindra-wayland: the flake field on every output of a Wayland desktop, as
// a screen saver. Started by an idle daemon it shows at once and ends on
// input; with -idle it stays, shows whenever the session has been idle that
// long and hides on input, until a signal ends it.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/program_options.h"
#include "core/settings_file.h"
#include "posix/process.h"
#include "posix/program_main.h"
#include "posix/settings_watch.h"
#include "posix/user_settings.h"
#include "posix/wait.h"
#include "wayland/desk.h"
#include "wayland/idle_watch.h"
#include "wayland/options.h"

#ifndef FLINDRA_VERSION
#error "FLINDRA_VERSION comes from the build (the CMake project version)"
#endif

namespace {

// What a run takes from the settings file and, over it, the command line.
struct Invocation {
  ProgramOptions options;
  std::string error;              // the command line's, for AnswerCommandLine
  bool resident = false;          // -idle
  std::optional<long> idleGiven;  // -idle SECONDS
  long idleSeconds = kDefaultIdleSeconds;  // -idle's, else the file's idle, else 300
};

// Reads the settings file, then the arguments over it. The file's
// complaints go to standard error when they differ from the last read's.
Invocation readInvocation(const std::vector<std::string_view>& args, std::vector<std::string>& lastComplaints) {
  const SettingsFile file = LoadUserSettings(UserSettingsPath());
  if (file.complaints != lastComplaints)
    for (const std::string& line : file.complaints) std::fprintf(stderr, "%s: %s\n", ProgramName(), line.c_str());
  lastComplaints = file.complaints;
  Invocation run;
  run.options.settings = file.settings;
  static const std::vector<OwnOption> kOwn{{"idle", false, true}};
  run.error = ReadProgramOptions(ProgramName(), args, run.options, kOwn,
                                 [&run](std::string_view, std::string_view value) {
                                   run.resident = true;
                                   if (value.empty()) return std::string();
                                   const std::string complaint = SetIdleFromText(run.idleGiven, value);
                                   return complaint.empty() ? complaint : "-idle " + complaint;
                                 });
  run.idleSeconds = run.idleGiven.value_or(file.idleSeconds.value_or(kDefaultIdleSeconds));
  return run;
}

// Shows once, now, as an idle daemon asks: input ends the program.
int showOnce(const ProgramOptions& options) {
  Desk desk;
  OpenDesk(desk);
  ShowSaver(desk, options, nullptr);
  CloseDesk(desk);
  if (StopSignal() != 0) EndBySignal(StopSignal());
  return 0;
}

// -idle's exit code where it can never run: no Wayland compositor (an X11
// session) or no idle source on the desk. The user unit does not start it
// again after this one (RestartPreventExitStatus=); any other failure it
// does. 78 as sysexits.h's EX_CONFIG.
constexpr int kExitNeverHere = 78;

// Stays, showing whenever the session has been idle so long and hiding on
// input, until a signal. The settings file is read again as soon as its
// folder changes, and after each showing: a changed idle time is watched
// for at once, changed settings show from the next showing on.
int stayResident(const std::vector<std::string_view>& args, Invocation run,
                 std::vector<std::string>& complaints) {
  Desk desk;
  OpenDesk(desk, kExitNeverHere);
  SettingsWatch settings(UserSettingsPath());
  desk.settings = &settings;
  IdleWatch watch;
  long watching = 0;
  // Once it hid, it shows again only after someone was back and the session idle anew.
  bool waitForResume = false;
  while (StopSignal() == 0) {
    if (settings.changed) {
      settings.changed = false;
      run = readInvocation(args, complaints);
    }
    // NOTE: between showings alone (ShowSaver keeps the loop meanwhile): a
    // new Wayland watch starts with nobody idle, which would end a showing.
    if (run.idleSeconds != watching) {
      if (!WatchIdle(desk.connection, watch, static_cast<unsigned>(run.idleSeconds)))
        Fail("the desk tells no idle time (no ext_idle_notifier_v1, org_kde_kwin_idle or GNOME's idle monitor)",
             kExitNeverHere);
      watching = run.idleSeconds;
      desk.report.say("waiting for %ld idle seconds (%s)", watching, watch.source);
    }
    waitForResume = waitForResume && watch.idle;
    if (watch.idle && !waitForResume) {
      ShowSaver(desk, run.options, &watch);
      waitForResume = true;
      run = readInvocation(args, complaints);
      continue;
    }
    if (!WaitOnDesk(desk, &watch, kWaitForever)) DeskLost(desk);
  }
  StopWatchingIdle(watch);
  CloseDesk(desk);
  EndBySignal(StopSignal());
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args = StartProgram("flindra-wayland", argc, argv);
  std::vector<std::string> complaints;
  const Invocation run = readInvocation(args, complaints);
  if (const auto code = AnswerCommandLine(run.options, run.error, WaylandHelpText, FLINDRA_VERSION)) return *code;
  if (!InstallSignalHandlers()) Fail("cannot install the signal handlers");
  return run.resident ? stayResident(args, run, complaints) : showOnce(run.options);
}
