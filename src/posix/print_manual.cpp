// Writes a Linux program's manual page to standard output, from its template
// and the shared options (core/program_options), so no page holds a second
// copy of the settings table:   print_manual TEMPLATE VERSION > PAGE
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/program_options.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: print_manual TEMPLATE VERSION > PAGE\n");
    return 1;
  }
  std::ifstream in(argv[1]);
  std::stringstream page;
  page << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "print_manual: cannot read %s\n", argv[1]);
    return 1;
  }
  std::fputs(ProgramManPage(page.str(), argv[2]).c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
