#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "core/numbers.h"

namespace {

TEST(Numbers, WholeNumbersAndHexDigitsAreReadOneWayEverywhere) {
  const struct {
    std::string_view text;
    std::optional<std::int64_t> whole;
    std::optional<std::uint32_t> hex;
  } rows[] = {
      {"0", 0, 0u},
      {"-7", -7, std::nullopt},
      {"0010", 10, 0x10u},
      {"999999999999999999", 999999999999999999, std::nullopt},           // 18 digits
      {"0000999999999999999999", 999999999999999999, std::nullopt},       // leading zeros are free
      {"-999999999999999999", -999999999999999999, std::nullopt},
      {"1000000000000000000", std::nullopt, std::nullopt},                // 19 digits
      {"FFFFFFFF", std::nullopt, 0xFFFFFFFFu},
      {"00000000fFfFfFfF", std::nullopt, 0xFFFFFFFFu},
      {"100000000", 100000000, std::nullopt},                             // 33 bits of hex
      {"", std::nullopt, std::nullopt},
      {"-", std::nullopt, std::nullopt},
      {"+1", std::nullopt, std::nullopt},
      {" 1", std::nullopt, std::nullopt},
      {"1 ", std::nullopt, std::nullopt},
      {"--1", std::nullopt, std::nullopt},
      {"1g", std::nullopt, std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ParseWholeNumber(row.text), row.whole) << '"' << row.text << '"';
    EXPECT_EQ(ParseHex32(row.text), row.hex) << '"' << row.text << '"';
  }
}

}  // namespace
