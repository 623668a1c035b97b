// A test with a zeroed flake field of its own and the settings it draws with
// (the table's defaults until the test changes them).
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "core/flakes.h"

class FieldTest : public ::testing::Test {
 protected:
  std::unique_ptr<FlakeField> field = std::make_unique<FlakeField>();
  FlakeField& f = *field;
  Settings s = DefaultSettings();
};
