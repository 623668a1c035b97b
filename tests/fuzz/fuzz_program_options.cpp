// Any argument list, read by both programs' option sets: flindra's (its own
// options beside the shared ones) and flindra-wayland's (the shared ones
// alone). The input is split at NUL bytes into arguments. A read either
// fails with one line or gives values in range, and what flindra-wayland
// takes flindra takes alike.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "x11/options.h"

namespace {

void checkLine(const std::string& error, const std::string& program) {
  if (error.rfind(program + ": ", 0) != 0) std::abort();
  if (error.find('\n') != std::string::npos) std::abort();  // one line
  if (error.size() > 300) std::abort();                      // the quoted argument is cut short
}

void checkRanges(const ProgramOptions& o) {
  if (o.delayUs < 0 || o.delayUs > kMaxDelayUs) std::abort();
  for (const SettingInfo& s : kSettingTable) {
    const SettingRange range = OptionRange(s);
    const std::int32_t v = o.settings.*s.value;
    if (v < range.low || v > range.high) std::abort();
  }
}

bool same(const ProgramOptions& a, const ProgramOptions& b) {
  for (const SettingInfo& s : kSettingTable)
    if (a.settings.*s.value != b.settings.*s.value) return false;
  return a.action == b.action && a.delayUs == b.delayUs && a.fps == b.fps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> args;
  for (std::size_t start = 0; start <= input.size();) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    args.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  const ParsedOptions x11 = ParseOptions(args);
  ProgramOptions wayland;
  const std::string waylandError = ReadProgramOptions("flindra-wayland", args, wayland);

  if (x11.error.empty()) {
    checkRanges(x11.options);
    if ((x11.options.target == DrawTarget::GivenWindow) != (x11.options.windowId != 0)) std::abort();
  } else {
    checkLine(x11.error, "flindra");
  }
  if (!waylandError.empty()) {
    checkLine(waylandError, "flindra-wayland");
    // Either flindra refuses it in the same words, or the argument was one
    // of flindra's own options.
    const std::string words = waylandError.substr(std::string("flindra-wayland").size());
    if (x11.error != "flindra" + words && words.find(": unknown option ") != 0) std::abort();
    return 0;
  }
  checkRanges(wayland);
  if (!x11.error.empty() || !same(x11.options, wayland)) std::abort();
  return 0;
}
