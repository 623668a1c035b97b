// Writes the files built from the settings table, so none of them holds a
// second copy of it:
//   print_config xml OUTPUT                    the XScreenSaver config file
//   print_config man TEMPLATE VERSION OUTPUT   the manual page
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "x11/options.h"

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  std::string text;
  const char* output = nullptr;
  if (mode == "xml" && argc == 3) {
    text = ConfigXml();
    output = argv[2];
  } else if (mode == "man" && argc == 5) {
    std::ifstream in(argv[2]);
    std::stringstream page;
    page << in.rdbuf();
    if (!in) {
      std::fprintf(stderr, "print_config: cannot read %s\n", argv[2]);
      return 1;
    }
    text = SettingsManPage(page.str(), argv[3]);
    output = argv[4];
  } else {
    std::fprintf(stderr, "usage: print_config xml OUTPUT | print_config man TEMPLATE VERSION OUTPUT\n");
    return 1;
  }
  std::ofstream out(output, std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    std::fprintf(stderr, "print_config: cannot write %s\n", output);
    return 1;
  }
  return 0;
}
