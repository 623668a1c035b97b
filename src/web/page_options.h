// The page's settings from its address (?size=3&fast=7) and its panel, each
// value read by the core's option rules, and the query that gives the same
// settings back. The address also takes the Linux program's delay and fps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/beat.h"
#include "core/settings.h"

constexpr int kMaxFixedFrames = 100000;

struct PageOptions {
  Settings settings = DefaultSettings();
  long delayUs = kDefaultDelayUs;
  bool fps = false;  // the frame rate in a corner
  // For comparing frames, never advertised: a fixed seed, and a frame count
  // after which the page holds its frame.
  std::optional<std::uint32_t> seed;
  std::optional<int> frames;
};

struct ParsedPageOptions {
  PageOptions options;
  // One short line for the page about the first bad value ("" for none);
  // every key with a bad value keeps its default, the others apply.
  std::string error;
  // The keys the page does not know, which it ignored, for the console ("" for none).
  std::string note;
};

// Reads a URL query, with or without its '?': name=value pairs joined by '&',
// percent-escapes and '+' decoded. Names are the settings' options (fast,
// bright, size, satiation, color, alpha), delay and fps (alone or =1 turns
// it on); a later pair overrides an earlier one.
ParsedPageOptions ParsePageQuery(std::string_view query);

// Sets one setting by its option name from text, as the panel does; returns
// the complaint, or an empty string when it took.
std::string SetPageSetting(Settings& settings, std::string_view name, std::string_view value);

// The query for the settings, delay and fps that differ from the defaults
// ("" when none); the test knobs stay out of it.
std::string PageQuery(const PageOptions& options);

// The settings table for the page's panel as JSON: one object per setting
// with its option name, label, range and current value.
std::string SettingsJson(const Settings& settings);

// text as a JSON string: quotes, backslashes and control bytes escaped.
std::string JsonString(std::string_view text);
