// XScreenSaver's list of programs in a user's ~/.xscreensaver, read the way
// the daemon reads that file, and flindra put into it or taken out of it
// while every other byte stays as it was. Text in, text out; the command
// around it reads and writes the files. The text is expected to hold no NUL
// byte (the daemon's line reader stops at one).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The entry added: a GL visual, flindra drawing into the daemon's window
// (XScreenSaver finds it in its own program directory).
constexpr const char* kFlindraEntry = "GL: flindra --root";

// One program of the list, as the daemon splits it up.
struct ProgramEntry {
  bool enabled = true;   // false when it starts with "-"
  std::string visual;    // "GL" of "GL: qix --root"; empty when none is asked for
  std::string name;      // the quoted name before the command (one left open
                         // runs to the end, blanks there left out); empty when none
  std::string command;   // what the shell is given, without blanks around it
  // Its bytes in the file, from its first to the end of its last non-blank
  // character (both the same place when it is blank).
  std::size_t from = 0;
  std::size_t to = 0;

  bool operator==(const ProgramEntry& other) const {
    return enabled == other.enabled && visual == other.visual && name == other.name && command == other.command;
  }
};

// The programs list the daemon takes from a file: the last "programs:" line,
// named in any letter case (a "*programs:" there is not read).
struct ProgramList {
  bool found = false;
  std::size_t valueFrom = 0;  // the byte after the resource's colon
  std::vector<ProgramEntry> entries;
};

ProgramList ReadProgramList(const std::string& userFile);

// The entries but the blank ones. A blank entry (a carriage return between
// separators) is read only while something comes before and after it, so it
// may go when flindra next to it is taken out.
std::vector<ProgramEntry> RunningSomething(const std::vector<ProgramEntry>& entries);

// Whether the daemon would run flindra for the entry: its command's program,
// wherever it lives.
bool RunsFlindra(const ProgramEntry& entry);

// The programs resource of the system's defaults (an X resource file, where
// it is "*programs:"), all its lines, named as ~/.xscreensaver names it
// ("programs:"); empty when there is none.
std::string ProgramsResource(const std::string& appDefaults);

struct ProgramListEdit {
  bool listed = false;   // flindra was in the list the daemon reads
  bool enabled = false;  // ... and switched on there
  bool changed = false;  // text differs from the file
  std::string text;      // the file after the edit
};

// The user's file with flindra at the end of its programs list, unchanged
// when flindra is listed already (also when switched off). A file without a
// list gets the system's list (ProgramsResource of its defaults) at its end
// with flindra after it (only flindra when defaultPrograms is empty).
ProgramListEdit AddFlindraToPrograms(const std::string& userFile, const std::string& defaultPrograms);

// The user's file without flindra's entries; each goes with the separator
// before it, so that after AddFlindraToPrograms it gives back the same
// bytes. Unchanged (changed false) when flindra is not listed, or when it
// cannot be taken out without the rest of the file reading differently.
ProgramListEdit RemoveFlindraFromPrograms(const std::string& userFile);
