// Any preview argument: the parser accepts exactly the forms it documents,
// checked against an independent reading with the C library.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/cmdline.h"

namespace {

bool allOf(const std::string& s, std::size_t from, bool hex) {
  if (from >= s.size()) return false;
  for (std::size_t i = from; i < s.size(); ++i) {
    const char c = s[i];
    const bool digit = c >= '0' && c <= '9';
    const bool hexLetter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!digit && !(hex && hexLetter)) return false;
  }
  return true;
}

// What the argument should mean, from strtoll/strtoull on the known forms.
bool reference(std::string s, std::int32_t& value) {
  std::size_t start = 0;
  while (start < s.size() && (s[start] == ' ' || s[start] == '\t')) ++start;
  s = s.substr(start);
  std::size_t digits = std::string::npos;
  bool hex = false;
  if (!s.empty() && (s[0] == '$' || s[0] == 'x' || s[0] == 'X')) {
    digits = 1, hex = true;
  } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    digits = 2, hex = true;
  } else if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    digits = 1;
  } else {
    digits = 0;
  }
  if (!allOf(s, digits, hex)) return false;
  const std::string body = s.substr(digits);
  errno = 0;
  if (hex) {
    const unsigned long long v = std::strtoull(body.c_str(), nullptr, 16);
    if (errno != 0 || v > 0xFFFFFFFFull) return false;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  } else {
    const long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<std::int32_t>(v);
  }
  return value != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('\0') != std::string::npos) return 0;  // a command-line argument holds no NUL
  const auto parsed = ParsePreviewParent(text);
  std::int32_t expected = 0;
  const bool valid = reference(text, expected);
  if (parsed.has_value() != valid) std::abort();
  if (valid && *parsed != expected) std::abort();
  return 0;
}
