// Writes flindra-wayland's manual page from its template and the settings
// table:   print_manual TEMPLATE VERSION OUTPUT
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/options.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: print_manual TEMPLATE VERSION OUTPUT\n");
    return 1;
  }
  std::ifstream in(argv[1]);
  std::stringstream page;
  page << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "print_manual: cannot read %s\n", argv[1]);
    return 1;
  }
  std::ofstream out(argv[3], std::ios::binary);
  out << SettingsManPage(page.str(), argv[2]);
  out.close();
  if (!out) {
    std::fprintf(stderr, "print_manual: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
