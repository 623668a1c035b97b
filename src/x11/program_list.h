// XScreenSaver's list of programs in a user's ~/.xscreensaver: putting
// flindra in it while every other line of the file stays as it was. Text in,
// text out; the command around it reads and writes the files.
#pragma once

#include <string>

// The entry added: a GL visual, flindra drawing into the daemon's window
// (XScreenSaver finds it in its own program directory).
constexpr const char* kFlindraEntry = "GL: flindra --root";

// The programs resource of a resource file (the system's defaults have
// "*programs:"), all its lines, named as ~/.xscreensaver names it
// ("programs:"); empty when the file has none.
std::string ProgramsResource(const std::string& appDefaults);

struct ProgramListEdit {
  bool alreadyListed = false;  // flindra in the list already (also when switched off)
  std::string text;            // the file with flindra listed
};

// The user's file with flindra at the end of its programs list. A file
// without a list gets the system's list (ProgramsResource of its defaults) with flindra
// after it, at its end (only flindra when defaultPrograms is empty); an
// empty file is one without a list.
ProgramListEdit AddFlindraToPrograms(const std::string& userFile, const std::string& defaultPrograms);
