#include "x11/program_list.h"

#include <cstddef>
#include <vector>

namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t end = text.find('\n', from);
    if (end == std::string::npos) {
      lines.push_back(text.substr(from));
      break;
    }
    lines.push_back(text.substr(from, end - from));
    from = end + 1;
  }
  return lines;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string trimmed(const std::string& text) {
  std::size_t from = 0, to = text.size();
  while (from < to && isBlank(text[from])) ++from;
  while (to > from && isBlank(text[to - 1])) --to;
  return text.substr(from, to - from);
}

bool continues(const std::string& line) {
  const std::string t = trimmed(line);
  return !t.empty() && t.back() == '\\';
}

// Whether the line starts the programs resource: "programs:", "*programs:"
// or "xscreensaver.programs:" and the like.
bool startsPrograms(const std::string& line) {
  const std::string t = trimmed(line);
  const std::size_t colon = t.find(':');
  if (colon == std::string::npos || t[0] == '!' || t[0] == '#') return false;
  const std::string name = trimmed(t.substr(0, colon));
  const std::string key = "programs";
  if (name.size() < key.size() || name.compare(name.size() - key.size(), key.size(), key) != 0) return false;
  const std::size_t before = name.size() - key.size();
  return before == 0 || name[before - 1] == '*' || name[before - 1] == '.';
}

// Lines first..last (inclusive) of the resource starting at first.
std::size_t lastLineOf(const std::vector<std::string>& lines, std::size_t first) {
  std::size_t last = first;
  while (last + 1 < lines.size() && continues(lines[last])) ++last;
  return last;
}

// The command of an entry: what is left after an optional "-" (switched
// off), a quoted name and a visual ("GL:"), up to the first blank.
std::string commandOf(std::string entry) {
  entry = trimmed(entry);
  if (!entry.empty() && entry[0] == '-') entry = trimmed(entry.substr(1));
  if (!entry.empty() && entry[0] == '"') {
    const std::size_t close = entry.find('"', 1);
    entry = close == std::string::npos ? std::string() : trimmed(entry.substr(close + 1));
  }
  const std::size_t word = entry.find_first_of(" \t");
  const std::string first = entry.substr(0, word);
  if (!first.empty() && first.back() == ':') entry = trimmed(entry.substr(first.size()));
  return entry.substr(0, entry.find_first_of(" \t"));
}

bool listsFlindra(const std::vector<std::string>& lines, std::size_t first, std::size_t last) {
  std::string value;
  for (std::size_t i = first; i <= last; ++i) {
    std::string line = i == first ? lines[i].substr(lines[i].find(':') + 1) : lines[i];
    line = trimmed(line);
    if (!line.empty() && line.back() == '\\') line.pop_back();
    value += line;
  }
  for (std::size_t from = 0; from <= value.size();) {
    std::size_t end = value.find("\\n", from);
    if (end == std::string::npos) end = value.size();
    const std::string command = commandOf(value.substr(from, end - from));
    const std::size_t slash = command.rfind('/');
    if (command.substr(slash == std::string::npos ? 0 : slash + 1) == "flindra") return true;
    from = end + 2;
  }
  return false;
}

std::string joined(const std::vector<std::string>& lines, bool finalNewline) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    text += lines[i];
    if (i + 1 < lines.size() || finalNewline) text += '\n';
  }
  return text;
}

}  // namespace

std::string ProgramsResource(const std::string& appDefaults) {
  std::vector<std::string> lines = linesOf(appDefaults);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!startsPrograms(lines[i])) continue;
    std::vector<std::string> resource(lines.begin() + static_cast<std::ptrdiff_t>(i),
                                      lines.begin() + static_cast<std::ptrdiff_t>(lastLineOf(lines, i)) + 1);
    std::string& head = resource.front();
    head = "programs:" + head.substr(head.find(':') + 1);
    return joined(resource, true);
  }
  return std::string();
}

ProgramListEdit AddFlindraToPrograms(const std::string& userFile, const std::string& defaultPrograms) {
  const std::string entryLine = std::string("\t\t\t\t") + kFlindraEntry + "\t\t\t\t    \\n";
  std::vector<std::string> lines = linesOf(userFile);
  const bool finalNewline = userFile.empty() || userFile.back() == '\n';
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!startsPrograms(lines[i])) continue;
    const std::size_t last = lastLineOf(lines, i);
    if (listsFlindra(lines, i, last)) return {true, userFile};
    std::string& end = lines[last];
    const std::string value = trimmed(last == i ? end.substr(end.find(':') + 1) : end);
    if (value.empty() && last != i) {
      end = entryLine;  // a continued blank line: the entry takes its place
    } else {
      end = end.substr(0, end.find_last_not_of(" \t\r") + 1);
      const bool separated = value.empty() || (value.size() >= 2 && value.compare(value.size() - 2, 2, "\\n") == 0);
      end += separated ? "\t\\" : "\\n\\";
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last) + 1, entryLine);
    }
    return {false, joined(lines, finalNewline)};
  }
  // No list of the user's own: the system's, then flindra.
  std::string text = userFile;
  if (!text.empty() && text.back() != '\n') text += '\n';
  if (defaultPrograms.empty()) return {false, text + "programs:\t\\\n" + entryLine + "\n"};
  const ProgramListEdit system = AddFlindraToPrograms(defaultPrograms, std::string());
  return {system.alreadyListed, text + system.text};
}
