// Any command line: splitting, the mode letter and the preview's argument.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The program sees its command line as a NUL-terminated string.
  std::string_view line(reinterpret_cast<const char*>(data), size);
  line = line.substr(0, line.find('\0'));
  const auto args = SplitCommandLine(line);
  if (args.empty()) std::abort();  // the program name is always there
  for (std::size_t i = 1; i < args.size(); ++i)
    if (args[i].size() > line.size()) std::abort();

  const std::string_view argument1 = args.size() > 1 ? std::string_view(args[1]) : std::string_view();
  const char letter = ModeLetter(argument1);
  if ((argument1.size() < 2) != (letter == 0)) std::abort();
  if (letter >= 'a' && letter <= 'z') std::abort();  // always upper-cased
  const SaverMode mode = ModeFromLetter(letter);
  if ((mode == SaverMode::Settings) != (letter == 'C')) std::abort();
  if ((mode == SaverMode::Preview) != (letter == 'P')) std::abort();
  if (ModeFromArguments(args) != (args.size() > 1 ? mode : SaverMode::Settings)) std::abort();

  if (args.size() > 2) (void)ParsePreviewParent(args[2]);
  return 0;
}
