// The six settings as options, alike on every platform that takes them as
// text (a command line, a page's address): names, ranges, meanings, how a
// value is read and what a bad one is told.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings.h"

// The values an option of a setting accepts: the slider's range, widened to
// hold the table's default (Alpha's default 0 lies below its slider).
struct SettingRange {
  std::int32_t low;
  std::int32_t high;
};
SettingRange OptionRange(const SettingInfo& setting);

// The option of a setting: its stored name lower-cased ("fast", "satiation").
std::string OptionName(const SettingInfo& setting);

// The setting whose option is name; null for none.
const SettingInfo* SettingForOption(std::string_view name);

// An option's name from an argument: one or two leading dashes taken off;
// empty when the argument is no option.
std::string_view OptionNameOf(std::string_view arg);

// Sets the setting from text: a whole number in its option's range. Returns
// "" when it took, else what is wrong, to follow the option's name: 'must be
// a whole number from 0 to 10, not "x"'. Nothing changes on a bad value.
std::string SetSettingFromText(Settings& settings, const SettingInfo& setting, std::string_view text);

// Sets delayUs from text: a whole number of microseconds from 0 to
// kMaxDelayUs. Returns "" when it took, else what is wrong, to follow the
// option's name; nothing changes on a bad value.
std::string SetDelayFromText(long& delayUs, std::string_view text);

// Outside text for a message: in double quotes on one line, control,
// non-ASCII, quote and backslash bytes as \xNN, cut after 40 characters.
std::string Quoted(std::string_view text);
