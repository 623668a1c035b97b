// The page's settings from its address (?size=3&fast=7) and its panel, each
// value checked by the Linux program's option parser, and the query that
// gives the same settings back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"

constexpr int kMaxFixedFrames = 100000;

struct PageOptions {
  Settings settings = DefaultSettings();
  // For comparing frames: a fixed seed, and a frame count after which the
  // page holds its frame.
  std::optional<std::uint32_t> seed;
  std::optional<int> frames;
};

// The options, or one line for the page when error is not empty (the
// options are then the defaults).
struct ParsedPageOptions {
  PageOptions options;
  std::string error;
};

// Reads a URL query, with or without its '?': name=value pairs joined by '&',
// percent-escapes and '+' decoded. Names are the settings' options (fast,
// bright, size, satiation, color, alpha) and seed, frames; a later pair
// overrides an earlier one.
ParsedPageOptions ParsePageQuery(std::string_view query);

// Sets one setting by its option name from text, as the panel does; returns
// the complaint, or an empty string when it took.
std::string SetPageSetting(Settings& settings, std::string_view name, std::string_view value);

// The query for the settings that differ from the defaults ("" when none).
std::string PageQuery(const Settings& settings);

// The settings table for the page's panel as JSON: one object per setting
// with its option name, label, range and current value.
std::string SettingsJson(const Settings& settings);
