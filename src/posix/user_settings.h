// The user's settings file, $XDG_CONFIG_HOME/flindra/settings (else
// ~/.config/flindra/settings), read whole as the core's settings file. The
// programs only read it; no file means the defaults.
#pragma once

#include <string>

#include "core/settings_file.h"

// Where the file is; empty when neither XDG_CONFIG_HOME nor HOME says.
std::string UserSettingsPath();

// The file at path read: the defaults when there is none, and a complaint
// when it exists but cannot be read (a folder, no permission).
SettingsFile LoadUserSettings(const std::string& path);
