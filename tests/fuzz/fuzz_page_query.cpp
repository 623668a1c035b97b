// Any query in the page's address. The parse never fails as a whole: at most
// one short printable line (the quoted text cut short), every setting given a plain good value last has
// it, and every setting ends in its option's range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "web/page_options.h"

namespace {

bool printableLine(const std::string& text, std::size_t most) {
  if (text.size() > most) return false;
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
  return true;
}

// The last pair whose name is the setting's option as it stands (no escapes).
std::optional<std::string_view> lastPlainValue(std::string_view query, std::string_view option, bool& escaped) {
  std::optional<std::string_view> last;
  while (!query.empty()) {
    const std::size_t end = query.find('&');
    const std::string_view pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    const std::string_view name = pair.substr(0, pair.find('='));
    if (name.find_first_of("%+") != std::string_view::npos) escaped = true;
    if (name != option) continue;
    last = pair.size() > name.size() ? pair.substr(name.size() + 1) : std::string_view();
  }
  return last;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view query(reinterpret_cast<const char*>(data), size);
  const ParsedPageOptions parsed = ParsePageQuery(query);
  if (!printableLine(parsed.error, 300) || !printableLine(parsed.note, 600)) std::abort();
  const PageOptions& o = parsed.options;
  if (o.delayUs < 0 || o.delayUs > kMaxDelayUs) std::abort();
  if (!query.empty() && query[0] == '?') query.remove_prefix(1);
  for (const SettingInfo& s : kSettingTable) {
    const SettingRange range = OptionRange(s);
    const std::int32_t value = o.settings.*s.value;
    if (value < range.low || value > range.high) std::abort();
    bool escaped = false;  // a name with an escape might spell the option too: no verdict then
    const auto last = lastPlainValue(query, OptionName(s), escaped);
    if (!last || escaped || last->find_first_of("%+") != std::string_view::npos) continue;
    Settings expected = DefaultSettings();
    if (!SetSettingFromText(expected, s, *last).empty()) expected.*s.value = s.defaultValue;
    if (value != expected.*s.value) std::abort();
  }
  return 0;
}
