// The user's settings file, $XDG_CONFIG_HOME/flindra/settings (else
// ~/.config/flindra/settings), read whole as the core's settings file. The
// savers only read it; the settings window also writes it, whole and at
// once (SaveUserSettings).
#pragma once

#include <string>
#include <string_view>

#include "core/settings_file.h"

// Where the file is; empty when neither XDG_CONFIG_HOME nor HOME says.
std::string UserSettingsPath();

// The file's bytes, or why they cannot be had. No file is an empty text
// and no complaint.
struct UserSettingsText {
  std::string text;
  std::string complaint;  // "cannot read PATH: ..." when it exists but cannot be read
};
UserSettingsText ReadUserSettingsText(const std::string& path);

// The file at path read: the defaults when there is none, and a complaint
// when it exists but cannot be read (a folder, no permission).
SettingsFile LoadUserSettings(const std::string& path);

// Replaces the file with text: a fresh file beside it, flushed to disk,
// renamed over it and the folder flushed, so a reader sees the old file or
// the new one, never part of either. When path is a symbolic link (a chain
// of them), the file it ends at is replaced and the link stays; a dangling
// link gets its file made, in a folder that must exist. path's own folder
// is made when missing. An existing file keeps its permissions (a new one
// gets 0644). Returns "" when it is written, else a line saying why (the
// old file then stays as it was, unless only the folder's flush failed).
std::string SaveUserSettings(const std::string& path, std::string_view text);
