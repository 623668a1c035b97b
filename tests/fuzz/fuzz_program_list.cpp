// Any ~/.xscreensaver: flindra added to the list the daemon reads, then taken
// out again. After the add the daemon reads the entries it read before (the
// system's when the file has no list) and flindra's after them; the remove
// gives back the file byte for byte (followed by the system's list where the
// add had to copy it in). Taking flindra out of any file keeps every other
// entry as the daemon reads it (blank ones aside).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "x11/program_list.h"

namespace {

const std::string kDefaultPrograms =
    ProgramsResource("*fade: True\n*programs:\t\\\n\t\tqix -root \\n\\\n- GL:\t\tpipes -root \\n\n*lock: False\n");

bool anyFlindra(const std::vector<ProgramEntry>& entries) {
  for (const ProgramEntry& e : entries)
    if (RunsFlindra(e)) return true;
  return false;
}

void check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  if (file.find('\0') != std::string::npos) return 0;  // the command refuses these
  const ProgramList before = ReadProgramList(file);
  const std::vector<ProgramEntry> read = before.found ? before.entries : ReadProgramList(kDefaultPrograms).entries;

  const ProgramListEdit added = AddFlindraToPrograms(file, kDefaultPrograms);
  check(added.listed == anyFlindra(read));
  if (added.listed) {
    check(!added.changed && added.text == file);
  } else {
    check(added.changed);
    const ProgramList after = ReadProgramList(added.text);
    check(after.found && after.entries.size() == read.size() + 1);
    check(std::vector<ProgramEntry>(after.entries.begin(), after.entries.end() - 1) == read);
    check(RunsFlindra(after.entries.back()) && after.entries.back().enabled);

    const ProgramListEdit removed = RemoveFlindraFromPrograms(added.text);
    check(removed.listed && removed.changed);
    check(before.found ? removed.text == file : removed.text.compare(0, file.size(), file) == 0);
    check(ReadProgramList(removed.text).entries == read);
  }

  const ProgramListEdit removed = RemoveFlindraFromPrograms(file);
  check(removed.listed == (before.found && anyFlindra(before.entries)));
  check(removed.changed == removed.listed && (removed.changed || removed.text == file));
  std::vector<ProgramEntry> others;
  for (const ProgramEntry& e : before.entries)
    if (!RunsFlindra(e)) others.push_back(e);
  check(RunningSomething(ReadProgramList(removed.text).entries) == RunningSomething(others));
  return 0;
}
