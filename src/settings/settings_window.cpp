#include "settings/settings_window.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/options.h"
#include "posix/user_settings.h"
#include "settings/flake_preview.h"
#include "settings/settings_writer.h"
#include "settings/user_unit.h"

namespace {

constexpr int kPreviewWidth = 384;  // logical pixels
constexpr int kPreviewHeight = 216;
constexpr int kMostIdleMinutes = static_cast<int>(kMaxIdleSeconds / 60);

struct Window;
void showNotice(Window& w);

struct Window {
  std::string path = UserSettingsPath();
  Settings settings;
  std::string noPreview;  // why there is no preview, for as long as the window is open
  std::vector<std::string> complaints;  // the file's, as last read or written
  std::vector<std::string> unsaved;     // why the last write saved nothing, or not all
  std::vector<std::string> failures;    // what else went wrong since the last change
  GtkLabel* notice = nullptr;
  GtkSpinButton* minutes = nullptr;
  GtkSwitch* idleSwitch = nullptr;
  bool settingSwitch = false;  // the switch is being put back, not turned by the user
  GCancellable* unitCalls = g_cancellable_new();  // the manager's answers to come, none once the window is gone
  SettingsWriter writer{path, [this](const SettingsWritten& written) {
                          complaints = written.complaints;
                          unsaved = written.failures;
                          showNotice(*this);
                        }};
  FlakePreview preview;

  ~Window() {
    g_cancellable_cancel(unitCalls);
    g_object_unref(unitCalls);
  }
};

// The notice: why there is no preview, the file's bad lines as the saver
// tells them, then any failure to save; hidden when there is nothing to say.
void showNotice(Window& w) {
  std::string text = w.noPreview;
  for (const auto* lines : {&w.complaints, &w.unsaved, &w.failures}) {
    for (const std::string& line : *lines) text += (text.empty() ? "" : "\n") + line;
  }
  gtk_label_set_text(w.notice, text.c_str());
  gtk_widget_set_visible(GTK_WIDGET(w.notice), !text.empty());
}

// One value into the file, keeping the rest of it as it then is; the notice
// follows once it is written.
void store(Window& w, const std::string& name, const std::string& value) {
  w.failures.clear();
  w.writer.set(name, value);
}

struct SliderData {
  Window* window;
  const SettingInfo* setting;
};

void onSlider(GtkRange* range, gpointer data) {
  auto* slider = static_cast<SliderData*>(data);
  Window& w = *slider->window;
  const auto value = static_cast<std::int32_t>(std::lround(gtk_range_get_value(range)));
  if (w.settings.*slider->setting->value == value) return;
  w.settings.*slider->setting->value = value;
  w.preview.follow(w.settings);
  store(w, OptionName(*slider->setting), std::to_string(value));
}

// Caption, slider with its end labels, for one row of the grid.
void addSlider(Window& w, GtkGrid* grid, int row, const SettingInfo& setting) {
  GtkWidget* caption = gtk_label_new(setting.title);
  gtk_label_set_xalign(GTK_LABEL(caption), 0);
  GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, setting.sliderMin, setting.sliderMax, 1);
  gtk_range_set_value(GTK_RANGE(scale), w.settings.*setting.value);
  gtk_scale_set_digits(GTK_SCALE(scale), 0);
  gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);  // the end labels say it, as on the other screens
  gtk_scale_add_mark(GTK_SCALE(scale), setting.sliderMin, GTK_POS_BOTTOM, setting.lowLabel);
  gtk_scale_add_mark(GTK_SCALE(scale), setting.sliderMax, GTK_POS_BOTTOM, setting.highLabel);
  gtk_widget_set_hexpand(scale, TRUE);
  gtk_accessible_update_property(GTK_ACCESSIBLE(scale), GTK_ACCESSIBLE_PROPERTY_LABEL, setting.title,
                                 GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, setting.meaning, -1);
  gtk_widget_set_tooltip_text(scale, setting.meaning);
  auto* data = new SliderData{&w, &setting};
  g_signal_connect_data(scale, "value-changed", G_CALLBACK(onSlider), data,
                        [](gpointer d, GClosure*) { delete static_cast<SliderData*>(d); }, GConnectFlags{});
  gtk_grid_attach(grid, caption, 0, row, 1, 1);
  gtk_grid_attach(grid, scale, 1, row, 1, 1);
}

void nameSwitch(Window& w) {
  const std::string name =
      "Start after " + std::to_string(gtk_spin_button_get_value_as_int(w.minutes)) + " minutes of inactivity";
  gtk_accessible_update_property(GTK_ACCESSIBLE(w.idleSwitch), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str(), -1);
}

void onMinutes(GtkSpinButton* spin, gpointer data) {
  Window& w = *static_cast<Window*>(data);
  nameSwitch(w);
  store(w, "idle", std::to_string(gtk_spin_button_get_value_as_int(spin) * 60));
}

// Puts the switch where the unit is, as no user turned it.
void setSwitch(Window& w, bool on) {
  w.settingSwitch = true;
  gtk_switch_set_active(w.idleSwitch, on);
  w.settingSwitch = false;
}

// The switch's state follows the unit: it changes only once the manager
// has done what was asked, and the switch cannot be turned until then; a
// refusal is told and puts the switch back.
gboolean onSwitch(GtkSwitch* idleSwitch, gboolean on, gpointer data) {
  Window& w = *static_cast<Window*>(data);
  if (w.settingSwitch) return FALSE;
  gtk_widget_set_sensitive(GTK_WIDGET(idleSwitch), FALSE);
  // The saver reads its wait when it starts, so the file comes first.
  if (on) store(w, "idle", std::to_string(gtk_spin_button_get_value_as_int(w.minutes) * 60));
  w.writer.afterWrites([&w, on] {
    TurnSaverUnit(on, w.unitCalls, [&w, on](const std::string& why) {
      gtk_widget_set_sensitive(GTK_WIDGET(w.idleSwitch), TRUE);
      if (why.empty()) return gtk_switch_set_state(w.idleSwitch, on);
      w.failures.push_back(why);
      showNotice(w);
      setSwitch(w, gtk_switch_get_state(w.idleSwitch));
    });
  });
  return TRUE;
}

// The idle switch: "Start after [N] minutes of inactivity".
GtkWidget* idleRow(Window& w, const SettingsFile& file) {
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  const long seconds = file.idleSeconds.value_or(kDefaultIdleSeconds);
  w.minutes = GTK_SPIN_BUTTON(gtk_spin_button_new_with_range(1, kMostIdleMinutes, 1));
  gtk_spin_button_set_value(w.minutes, static_cast<double>((seconds + 59) / 60));
  gtk_accessible_update_property(GTK_ACCESSIBLE(w.minutes), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Minutes of inactivity", -1);
  w.idleSwitch = GTK_SWITCH(gtk_switch_new());
  gtk_widget_set_valign(GTK_WIDGET(w.idleSwitch), GTK_ALIGN_CENTER);
  gtk_widget_set_halign(GTK_WIDGET(w.idleSwitch), GTK_ALIGN_END);
  gtk_widget_set_hexpand(GTK_WIDGET(w.idleSwitch), TRUE);
  nameSwitch(w);
  // Not to be turned until the manager says where the unit is; a desktop
  // without systemd's user manager has nothing to switch.
  gtk_widget_set_sensitive(GTK_WIDGET(w.idleSwitch), FALSE);
  AskSaverUnitEnabled(w.unitCalls, [&w](bool enabled, const std::string& why) {
    setSwitch(w, enabled);
    if (why.empty()) gtk_widget_set_sensitive(GTK_WIDGET(w.idleSwitch), TRUE);
    else gtk_widget_set_tooltip_text(GTK_WIDGET(w.idleSwitch), why.c_str());
  });
  g_signal_connect(w.minutes, "value-changed", G_CALLBACK(onMinutes), &w);
  g_signal_connect(w.idleSwitch, "state-set", G_CALLBACK(onSwitch), &w);
  // Alt+S turns the switch from anywhere in the window.
  GtkWidget* startAfter = gtk_label_new_with_mnemonic("_Start after");
  gtk_label_set_mnemonic_widget(GTK_LABEL(startAfter), GTK_WIDGET(w.idleSwitch));
  // That also makes the label name the switch, and GTK 4.8 reads the label
  // after the switch's own name ("... minutes of inactivity Start after").
  gtk_accessible_reset_relation(GTK_ACCESSIBLE(w.idleSwitch), GTK_ACCESSIBLE_RELATION_LABELLED_BY);
  gtk_box_append(GTK_BOX(row), startAfter);
  gtk_box_append(GTK_BOX(row), GTK_WIDGET(w.minutes));
  gtk_box_append(GTK_BOX(row), gtk_label_new("minutes of inactivity"));
  gtk_box_append(GTK_BOX(row), GTK_WIDGET(w.idleSwitch));
  return row;
}

// The saver beside this program (the build's or the package's), else on the PATH.
std::string saverProgram() {
  gchar* self = g_file_read_link("/proc/self/exe", nullptr);
  std::string program = "flindra-wayland";
  if (self != nullptr) {
    gchar* folder = g_path_get_dirname(self);
    gchar* beside = g_build_filename(folder, "flindra-wayland", nullptr);
    if (g_file_test(beside, G_FILE_TEST_IS_EXECUTABLE)) program = beside;
    g_free(beside);
    g_free(folder);
    g_free(self);
  }
  return program;
}

void onPreviewButton(GtkButton*, gpointer data) {
  Window& w = *static_cast<Window*>(data);
  const std::string program = saverProgram();
  gchar* argv[] = {const_cast<gchar*>(program.c_str()), nullptr};
  GError* error = nullptr;
  w.failures.clear();
  if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, &error)) {
    w.failures.push_back(std::string("cannot start ") + program + ": " + error->message);
    g_error_free(error);
  }
  showNotice(w);
}

}  // namespace

GtkWidget* ShowSettingsWindow(GtkApplication* app) {
  auto* w = new Window;
  const SettingsFile file = LoadUserSettings(w->path);
  w->settings = file.settings;
  w->complaints = file.complaints;

  GtkWidget* window = gtk_application_window_new(app);
  gtk_window_set_title(GTK_WINDOW(window), "Flindra");
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  g_object_set_data_full(G_OBJECT(window), "flindra-settings", w, [](gpointer d) { delete static_cast<Window*>(d); });

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  gtk_widget_set_margin_start(column, 18);
  gtk_widget_set_margin_end(column, 18);
  gtk_widget_set_margin_top(column, 18);
  gtk_widget_set_margin_bottom(column, 18);

  w->notice = GTK_LABEL(gtk_label_new(nullptr));
  gtk_label_set_wrap(w->notice, TRUE);
  gtk_label_set_xalign(w->notice, 0);
  gtk_label_set_max_width_chars(w->notice, 60);
  gtk_widget_add_css_class(GTK_WIDGET(w->notice), "warning");
  gtk_box_append(GTK_BOX(column), GTK_WIDGET(w->notice));

  GtkWidget* picture = gtk_picture_new();
  gtk_widget_set_size_request(picture, kPreviewWidth, kPreviewHeight);
  // Exactly the frame's size: one texture pixel a screen pixel, never scaled.
  gtk_widget_set_halign(picture, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(picture, GTK_ALIGN_CENTER);
  gtk_picture_set_can_shrink(GTK_PICTURE(picture), FALSE);
  gtk_accessible_update_property(GTK_ACCESSIBLE(picture), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Preview of the falling flakes", -1);
  gtk_box_append(GTK_BOX(column), picture);

  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
  int row = 0;
  for (const SettingInfo& setting : kSettingTable) {
    if (setting.drawn) addSlider(*w, GTK_GRID(grid), row++, setting);
  }
  gtk_box_append(GTK_BOX(column), grid);
  gtk_box_append(GTK_BOX(column), idleRow(*w, file));

  GtkWidget* preview = gtk_button_new_with_mnemonic("_Preview");
  // GTK 4.8 names the button by its text with the underscore ("_Preview")
  // followed by its label's; the label alone says "Preview".
  gtk_accessible_reset_property(GTK_ACCESSIBLE(preview), GTK_ACCESSIBLE_PROPERTY_LABEL);
  gtk_widget_set_halign(preview, GTK_ALIGN_END);
  gtk_widget_set_tooltip_text(preview, "Show the screen saver now; any key or movement ends it");
  g_signal_connect(preview, "clicked", G_CALLBACK(onPreviewButton), w);
  gtk_box_append(GTK_BOX(column), preview);

  gtk_window_set_child(GTK_WINDOW(window), column);
  gtk_window_present(GTK_WINDOW(window));
  std::string why;
  if (!w->preview.start(GTK_PICTURE(picture), kPreviewWidth, kPreviewHeight, w->settings, why))
    w->noPreview = "No preview: " + why;
  showNotice(*w);
  return window;
}
