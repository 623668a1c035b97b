#include "setup_plugin/pending_renames.h"

#include <cstddef>
#include <cstring>

namespace setup {

namespace {

constexpr std::wstring_view kNtPrefix = L"\\??\\";

// The characters of the value; nothing for an odd number of bytes.
std::optional<std::wstring> charactersOf(const std::vector<unsigned char>& value) {
  if (value.size() % sizeof(wchar_t) != 0) return std::nullopt;
  std::wstring characters(value.size() / sizeof(wchar_t), L'\0');
  if (!value.empty()) std::memcpy(characters.data(), value.data(), value.size());
  return characters;
}

}  // namespace

std::optional<std::wstring_view> PathOfSource(std::wstring_view source) {
  if (!source.empty() && source.front() == L'*') {
    std::size_t digits = 1;
    while (digits < source.size() && source[digits] >= L'0' && source[digits] <= L'9') ++digits;
    if (digits == 1) return std::nullopt;
    source.remove_prefix(digits);
  }
  if (source.substr(0, kNtPrefix.size()) != kNtPrefix) return std::nullopt;
  source.remove_prefix(kNtPrefix.size());
  return source;
}

std::optional<std::vector<unsigned char>> WithoutOurPairs(const std::vector<unsigned char>& value,
                                                          const std::function<bool(std::wstring_view)>& isOurs) {
  const std::optional<std::wstring> characters = charactersOf(value);
  if (!characters) return std::nullopt;
  const std::wstring_view all = *characters;
  // The final zero ends the list; every pair before it has a source and
  // ends on its target's zero.
  if (all.empty() || all.back() != L'\0') return std::nullopt;
  const std::wstring_view pairs = all.substr(0, all.size() - 1);

  std::wstring kept;
  bool removed = false;
  std::size_t at = 0;
  while (at < pairs.size()) {
    const std::size_t sourceEnd = pairs.find(L'\0', at);
    if (sourceEnd == at || sourceEnd == std::wstring_view::npos) return std::nullopt;
    const std::size_t targetEnd = pairs.find(L'\0', sourceEnd + 1);
    if (targetEnd == std::wstring_view::npos) return std::nullopt;
    const std::wstring_view source = pairs.substr(at, sourceEnd - at);
    const std::optional<std::wstring_view> path = PathOfSource(source);
    if (path && isOurs(*path)) {
      removed = true;
    } else {
      kept.append(pairs.substr(at, targetEnd + 1 - at));
    }
    at = targetEnd + 1;
  }
  if (!removed) return std::nullopt;
  if (kept.empty()) return std::vector<unsigned char>{};
  kept.push_back(L'\0');
  std::vector<unsigned char> bytes(kept.size() * sizeof(wchar_t));
  std::memcpy(bytes.data(), kept.data(), bytes.size());
  return bytes;
}

}  // namespace setup
