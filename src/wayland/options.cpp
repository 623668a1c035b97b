#include "wayland/options.h"

#include "core/program_options.h"

std::string WaylandHelpText() {
  return "Usage: flindra-wayland [-idle [SECONDS]] [options]\n"
         "Six-armed crystal flakes falling through space over every output of a\n"
         "Wayland desktop, as a screen saver: it fades in over the desktop and any\n"
         "key, click, wheel, touch or pointer move ends it. Start it from an idle\n"
         "daemon (swayidle, hypridle), or let it wait for idle itself with -idle.\n"
         "\n"
         "When it shows:\n"
         "  -idle [SECONDS]     stay running: show after SECONDS without input (default\n"
         "                      the settings file's idle, else 300), hide on input,\n"
         "                      wait again; SIGTERM or SIGINT end it\n"
         "\n" +
         ProgramOptionsHelp() +
         "\n"
         "Every option may also be written with two dashes. -bright is the opacity the\n"
         "fade ends at: 10 hides the desktop, lower values let it show through.\n"
         "Settings also come from $XDG_CONFIG_HOME/flindra/settings (else\n"
         "~/.config/flindra/settings), one \"name = value\" a line (fast = 5, idle = 600);\n"
         "options on the command line win over it.\n";
}
