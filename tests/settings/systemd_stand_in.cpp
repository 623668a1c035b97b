// A stand-in for systemd's user manager on the session bus, for the tests
// (no systemd --user runs where systemd is not PID 1): the Manager methods
// the settings window calls, with their D-Bus signatures, over a unit state
// kept here. It knows the units whose files lie in UNIT_FOLDER and answers
// the others as systemd does, with NoSuchUnit. Each call is printed as one
// line, "Method arguments", after "ready" once the name is owned. With
// "refusing" every change is refused, as for a user the manager denies;
// with "holding" each call is answered only once a line comes on standard
// input for it, as from a manager busy elsewhere.
//   systemd_stand_in UNIT_FOLDER [enabled] [refusing] [holding]
#include <gio/gio.h>
#include <glib-unix.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <set>
#include <string>

namespace {

const char kInterface[] = R"xml(<node><interface name="org.freedesktop.systemd1.Manager">
  <method name="GetUnitFileState"><arg type="s" direction="in"/><arg type="s" direction="out"/></method>
  <method name="EnableUnitFiles"><arg type="as" direction="in"/><arg type="b" direction="in"/>
    <arg type="b" direction="in"/><arg type="b" direction="out"/><arg type="a(sss)" direction="out"/></method>
  <method name="DisableUnitFiles"><arg type="as" direction="in"/><arg type="b" direction="in"/>
    <arg type="a(sss)" direction="out"/></method>
  <method name="StartUnit"><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="o" direction="out"/></method>
  <method name="StopUnit"><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="o" direction="out"/></method>
  <method name="Reload"/>
</interface></node>)xml";

std::string unitFolder;
std::set<std::string> enabled, active;
bool refusing = false;
bool holding = false;

struct Call {
  std::string method;
  GVariant* parameters;
  GDBusMethodInvocation* invocation;
};
std::deque<Call> held;
int answersDue = 0;  // lines read on standard input and not yet spent on a call

bool known(const std::string& unit) {
  return g_file_test((unitFolder + "/" + unit).c_str(), G_FILE_TEST_IS_REGULAR);
}

void answer(const std::string& name, GVariant* parameters, GDBusMethodInvocation* invocation) {
  if (name == "Reload") return g_dbus_method_invocation_return_value(invocation, nullptr);
  // Every other method names its units first: a list, or one.
  GVariant* first = g_variant_get_child_value(parameters, 0);
  std::set<std::string> units;
  if (g_variant_is_of_type(first, G_VARIANT_TYPE_STRING_ARRAY)) {
    GVariantIter it;
    const gchar* unit = nullptr;
    g_variant_iter_init(&it, first);
    while (g_variant_iter_next(&it, "&s", &unit)) units.insert(unit);
  } else {
    units.insert(g_variant_get_string(first, nullptr));
  }
  g_variant_unref(first);
  for (const std::string& unit : units) {
    if (!known(unit))
      return g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.systemd1.NoSuchUnit",
                                                        ("Unit file " + unit + " does not exist.").c_str());
  }
  const std::string unit = *units.begin();
  if (refusing && name != "GetUnitFileState")
    return g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.AccessDenied",
                                                      "Access denied");
  if (name == "GetUnitFileState") {
    g_dbus_method_invocation_return_value(invocation,
                                          g_variant_new("(s)", enabled.count(unit) ? "enabled" : "disabled"));
  } else if (name == "EnableUnitFiles") {
    enabled.insert(units.begin(), units.end());
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(ba(sss))", TRUE, nullptr));
  } else if (name == "DisableUnitFiles") {
    for (const std::string& u : units) enabled.erase(u);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(a(sss))", nullptr));
  } else {
    if (name == "StartUnit") active.insert(unit);
    else active.erase(unit);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", "/org/freedesktop/systemd1/job/1"));
  }
}

// The calls held for which lines have come, answered in the order they came.
void answerHeld() {
  for (; answersDue > 0 && !held.empty(); --answersDue) {
    const Call call = held.front();
    held.pop_front();
    answer(call.method, call.parameters, call.invocation);
    g_variant_unref(call.parameters);
  }
}

void onCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant* parameters,
            GDBusMethodInvocation* invocation, gpointer) {
  gchar* printed = g_variant_print(parameters, FALSE);
  std::printf("%s %s\n", method, printed);
  std::fflush(stdout);
  g_free(printed);
  if (!holding) return answer(method, parameters, invocation);
  held.push_back({method, g_variant_ref(parameters), invocation});
  answerHeld();
}

gboolean onInput(gint fd, GIOCondition, gpointer) {
  char bytes[64];
  const ssize_t got = ::read(fd, bytes, sizeof bytes);
  for (ssize_t i = 0; i < got; ++i) answersDue += bytes[i] == '\n';
  answerHeld();
  return got > 0 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: systemd_stand_in UNIT_FOLDER [enabled] [refusing] [holding]\n");
    return 2;
  }
  unitFolder = argv[1];
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (bus == nullptr) {
    std::fprintf(stderr, "systemd_stand_in: %s\n", error->message);
    return 1;
  }
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterface, nullptr);
  static const GDBusInterfaceVTable vtable = {onCall, nullptr, nullptr, {}};
  g_dbus_connection_register_object(bus, "/org/freedesktop/systemd1", node->interfaces[0], &vtable, nullptr,
                                    nullptr, nullptr);
  for (int i = 2; i < argc; ++i) {
    if (std::string(argv[i]) == "enabled") enabled.insert("flindra-wayland.service");
    if (std::string(argv[i]) == "refusing") refusing = true;
    if (std::string(argv[i]) == "holding") holding = true;
  }
  if (holding) g_unix_fd_add(STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP), onInput, nullptr);
  g_bus_own_name_on_connection(bus, "org.freedesktop.systemd1", G_BUS_NAME_OWNER_FLAGS_NONE,
                               [](GDBusConnection*, const gchar*, gpointer) {
                                 std::printf("ready\n");
                                 std::fflush(stdout);
                               },
                               [](GDBusConnection*, const gchar*, gpointer) { std::exit(1); }, nullptr, nullptr);
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_main_loop_run(loop);
  return 0;
}
