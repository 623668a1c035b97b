#include "x11/program_list.h"

namespace {

// The C locale's isspace, which the daemon splits entries with.
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
// What it strips from both ends of a line and of a value.
bool isStripped(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One line as the daemon reads it, after joining and escapes, each character
// with the bytes of the file that make it.
struct LogicalLine {
  std::string text;
  std::vector<std::size_t> from, to;  // character i comes from bytes from[i]..to[i]
  std::size_t begin = 0, end = 0;     // its lines in the file
  bool open = false;                  // the file ended while the line went on
};

struct Byte {
  char c;
  std::size_t at;
};

void escape(const std::vector<Byte>& joined, LogicalLine& line) {
  const auto put = [&line](char c, std::size_t from, std::size_t to) {
    line.text += c;
    line.from.push_back(from);
    line.to.push_back(to);
  };
  for (std::size_t i = 0; i < joined.size(); ++i) {
    if (joined[i].c != '\\') {
      put(joined[i].c, joined[i].at, joined[i].at + 1);
      continue;
    }
    if (i + 1 == joined.size()) break;  // a backslash at the very end stands for nothing
    const Byte& next = joined[++i];
    const char c = next.c == 'n' ? '\n' : next.c == 'r' ? '\r' : next.c == 't' ? '\t' : next.c;
    put(c, joined[i - 1].at, next.at + 1);
  }
}

// The file's lines: a line whose last two bytes are a backslash and its
// newline goes on in the next (the pair dropped), and so does a line the file
// ends in without a newline (with the daemon's slip: it then drops the last
// two bytes when the first of them is a backslash). Then \n, \r and \t stand
// for their characters and a backslash before any other for that one.
std::vector<LogicalLine> logicalLines(const std::string& file) {
  std::vector<LogicalLine> lines;
  std::size_t pos = 0;
  const auto readLine = [&file, &pos](std::vector<Byte>& joined) {
    while (pos < file.size()) {
      joined.push_back({file[pos], pos});
      if (file[pos++] == '\n') break;
    }
  };
  while (pos < file.size()) {
    LogicalLine line;
    line.begin = pos;
    std::vector<Byte> joined;
    readLine(joined);
    while (joined.size() > 2 && (joined.back().c != '\n' || joined[joined.size() - 2].c == '\\')) {
      if (joined[joined.size() - 2].c == '\\') joined.resize(joined.size() - 2);
      if (pos == file.size()) {
        line.open = true;
        break;
      }
      readLine(joined);
    }
    line.end = pos;
    escape(joined, line);
    lines.push_back(std::move(line));
  }
  return lines;
}

// A line that sets a resource: where its name starts, its colon, its value.
struct Resource {
  std::size_t name = 0, colon = 0, valueBegin = 0, valueEnd = 0;
};

// False for a blank line, a comment (#, ! or ;) and a line without a colon.
bool parseResource(const std::string& text, Resource& r) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && isStripped(text[begin])) ++begin;
  while (end > begin && isStripped(text[end - 1])) --end;
  if (begin == end || text[begin] == '#' || text[begin] == '!' || text[begin] == ';') return false;
  const std::size_t colon = text.find(':', begin);
  if (colon >= end) return false;
  r.name = begin;
  r.colon = colon;
  r.valueBegin = colon + 1;
  r.valueEnd = end;
  while (r.valueBegin < end && isStripped(text[r.valueBegin])) ++r.valueBegin;
  return true;
}

bool sameLetters(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// ~/.xscreensaver's name for the list: exactly "programs", in any case.
bool namesPrograms(const LogicalLine& line, const Resource& r) {
  return sameLetters(line.text.substr(r.name, r.colon - r.name), "programs");
}

// An X resource file's: "*programs", "programs", "XScreenSaver.programs"...
bool namesProgramsResource(const LogicalLine& line, const Resource& r) {
  std::size_t end = r.colon;
  while (end > r.name && isSpace(line.text[end - 1])) --end;
  const std::string name = line.text.substr(r.name, end - r.name);
  const std::string key = "programs";
  if (name.size() < key.size() || name.compare(name.size() - key.size(), key.size(), key) != 0) return false;
  const std::size_t before = name.size() - key.size();
  return before == 0 || name[before - 1] == '*' || name[before - 1] == '.';
}

// The entry in characters [begin, end) of the line: an optional "-", a
// visual ending in ":", a quoted name, then the command.
ProgramEntry entryOf(const LogicalLine& line, std::size_t begin, std::size_t end) {
  const std::string& t = line.text;
  ProgramEntry entry;
  std::size_t i = begin;
  const auto skipSpace = [&] {
    while (i < end && isSpace(t[i])) ++i;
  };
  skipSpace();
  if (i < end && t[i] == '-') {
    entry.enabled = false;
    ++i;
    skipSpace();
  }
  std::size_t j = i;
  while (j < end && t[j] != ':' && t[j] != '"' && !isSpace(t[j])) ++j;
  if (j < end && t[j] == ':') {
    entry.visual = t.substr(i, j - i);
    i = j + 1;
    skipSpace();
  }
  if (i < end && t[i] == '"') {
    j = ++i;
    while (j < end && t[j] != '"') ++j;
    std::size_t nameEnd = j;  // a name left open: its blanks at the end do not show
    while (j == end && nameEnd > i && isSpace(t[nameEnd - 1])) --nameEnd;
    entry.name = t.substr(i, nameEnd - i);
    i = j < end ? j + 1 : j;
    skipSpace();
  }
  std::size_t last = end;
  while (last > i && isSpace(t[last - 1])) --last;
  entry.command = t.substr(i, last - i);

  std::size_t first = begin;
  while (first < end && isSpace(t[first])) ++first;
  last = end;
  while (last > first && isSpace(t[last - 1])) --last;
  if (first < last) {
    entry.from = line.from[first];
    entry.to = line.to[last - 1];
  } else {
    entry.from = entry.to = end > begin ? line.to[end - 1] : begin < t.size() ? line.from[begin] : line.end;
  }
  return entry;
}

// The value split at its newlines, blanks before each entry skipped.
ProgramList listOf(const LogicalLine& line, const Resource& r) {
  ProgramList list;
  list.found = true;
  list.valueFrom = line.to[r.colon];
  const std::string& t = line.text;
  for (std::size_t start = r.valueBegin; start < r.valueEnd;) {
    while (start < r.valueEnd && (t[start] == ' ' || t[start] == '\t' || t[start] == '\n')) ++start;
    std::size_t end = start;
    while (end < r.valueEnd && t[end] != '\n') ++end;
    list.entries.push_back(entryOf(line, start, end));
    start = end + 1;
  }
  return list;
}

// Whether text put after the file would still be part of its last line.
bool endsOpen(const std::string& file) {
  return !file.empty() && (file.back() != '\n' || logicalLines(file).back().open);
}

}  // namespace

ProgramList ReadProgramList(const std::string& userFile) {
  ProgramList list;
  for (const LogicalLine& line : logicalLines(userFile)) {
    Resource r;
    if (parseResource(line.text, r) && namesPrograms(line, r)) list = listOf(line, r);  // the last one counts
  }
  return list;
}

std::vector<ProgramEntry> RunningSomething(const std::vector<ProgramEntry>& entries) {
  std::vector<ProgramEntry> running;
  for (const ProgramEntry& e : entries)
    if (!e.command.empty() || !e.name.empty() || !e.visual.empty()) running.push_back(e);
  return running;
}

bool RunsFlindra(const ProgramEntry& entry) {
  std::size_t end = 0;
  while (end < entry.command.size() && !isSpace(entry.command[end])) ++end;
  const std::string program = entry.command.substr(0, end);
  const std::size_t slash = program.rfind('/');
  return program.substr(slash == std::string::npos ? 0 : slash + 1) == "flindra";
}

std::string ProgramsResource(const std::string& appDefaults) {
  std::string text;
  for (const LogicalLine& line : logicalLines(appDefaults)) {
    Resource r;
    if (!parseResource(line.text, r) || !namesProgramsResource(line, r)) continue;
    text = appDefaults.substr(line.begin, line.end - line.begin);
    const std::size_t name = line.from[r.name] - line.begin;
    text.replace(name, line.from[r.colon] - line.begin - name, "programs");
    if (text.back() != '\n') text += '\n';
  }
  return text;
}

ProgramListEdit AddFlindraToPrograms(const std::string& userFile, const std::string& defaultPrograms) {
  std::string text = userFile;
  ProgramList list = ReadProgramList(text);
  // No list of the user's own: the system's, on lines of their own at the end.
  for (const std::string& piece : {defaultPrograms, std::string("programs:\n")}) {
    if (list.found || piece.empty()) continue;
    while (endsOpen(text)) text += '\n';
    text += piece;
    list = ReadProgramList(text);
  }
  ProgramListEdit edit;
  for (const ProgramEntry& entry : list.entries) {
    if (!RunsFlindra(entry)) continue;
    edit.listed = true;
    edit.enabled = edit.enabled || entry.enabled;
  }
  if (edit.listed) {
    edit.text = userFile;
    return edit;
  }
  // Right after the last entry (not a blank more: a name left unquoted runs to
  // the end of its entry), so that whatever ended the list ends it still.
  const std::size_t at = list.entries.empty() ? list.valueFrom : list.entries.back().to;
  text.insert(at, std::string(list.entries.empty() ? "\t\\\n" : "\\n\\\n") + "\t\t\t\t" + kFlindraEntry);
  edit.changed = true;
  edit.text = text;
  return edit;
}

ProgramListEdit RemoveFlindraFromPrograms(const std::string& userFile) {
  const ProgramList list = ReadProgramList(userFile);
  ProgramListEdit edit;
  edit.text = userFile;
  std::vector<ProgramEntry> others;
  for (const ProgramEntry& entry : list.entries) {
    if (!RunsFlindra(entry)) {
      others.push_back(entry);
      continue;
    }
    edit.listed = true;
    edit.enabled = edit.enabled || entry.enabled;
  }
  if (!edit.listed) return edit;
  // Each entry with the separator before it; should that join what is left
  // differently (a command ending in a backslash), the entry alone.
  for (const bool withSeparator : {true, false}) {
    std::string text = userFile;
    for (std::size_t k = list.entries.size(); k-- > 0;) {
      const ProgramEntry& entry = list.entries[k];
      if (!RunsFlindra(entry)) continue;
      const std::size_t from = !withSeparator ? entry.from : k == 0 ? list.valueFrom : list.entries[k - 1].to;
      text.erase(from, entry.to - from);
    }
    if (RunningSomething(ReadProgramList(text).entries) == RunningSomething(others)) {
      edit.changed = true;
      edit.text = text;
      return edit;
    }
  }
  return edit;
}
