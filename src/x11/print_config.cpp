// Writes XScreenSaver's config file for flindra to standard output, from the
// settings table, so it holds no second copy of it:   print_config > flindra.xml
#include <cstdio>

#include "x11/options.h"

int main() {
  std::fputs(ConfigXml().c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
