#include "wayland/options.h"

#include "core/program_options.h"

std::string WaylandHelpText() {
  return "Usage: flindra-wayland [options]\n"
         "Six-armed crystal flakes falling through space over every output of a\n"
         "Wayland desktop, as a screen saver: it fades in over the desktop and any\n"
         "key, click, touch or pointer move ends it. Start it from an idle daemon\n"
         "(swayidle, hypridle).\n"
         "\n" +
         ProgramOptionsHelp() +
         "\n"
         "Every option may also be written with two dashes. -bright is the opacity the\n"
         "fade ends at: 10 hides the desktop, lower values let it show through.\n";
}
