// Any argument list for the X11 program: the input split at NUL bytes into
// arguments. A parse either fails with one line or gives values in range.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "x11/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> args;
  for (std::size_t start = 0; start <= input.size();) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    args.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  const ParsedOptions parsed = ParseOptions(args);
  if (!parsed.error.empty()) {
    if (parsed.error.rfind("flindra: ", 0) != 0) std::abort();
    if (parsed.error.find('\n') != std::string::npos) std::abort();  // one line
    if (parsed.error.size() > 300) std::abort();  // the quoted argument is cut short
    return 0;
  }
  const Options& o = parsed.options;
  if (o.delayUs < 0 || o.delayUs > kMaxDelayUs) std::abort();
  if ((o.target == DrawTarget::GivenWindow) != (o.windowId != 0)) std::abort();
  for (const SettingInfo& s : kSettingTable) {
    const SettingRange range = OptionRange(s);
    const std::int32_t v = o.settings.*s.value;
    if (v < range.low || v > range.high) std::abort();
  }
  return 0;
}
