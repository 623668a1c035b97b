// A test that creates forms in this process: the application reset, the
// settings key sandboxed, errors from handlers collected instead of shown.
#pragma once

#include <string>
#include <vector>

#include "core/Settings.h"
#include "core/fpu.h"
#include "support.h"
#include "win32/Full.h"
#include "win32/forms.h"

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MaskFloatingPointExceptions();
    Application.Initialize();
    Application.Title = "Flindra";
    Application.OnException = [this](const std::string& text) { errors.push_back(text); };
    for (const auto& s : kSettingTable) SaverSettings.*s.value = 0;
    FadeLevel = 0;
    ViewWidth = ViewHeight = 0;
    EndOnAnyInput = false;
    clearScreenSaverRunning();
  }
  void TearDown() override {
    Application.DestroyForms();
    Application.OnException = nullptr;
    clearScreenSaverRunning();
  }

  // One tick of the saver's timer, through its window procedure.
  static void tick(TForm1& form) { ::SendMessageA(form.Handle(), WM_TIMER, form.Timer.Id(), 0); }

  RegistrySandbox registry;
  std::vector<std::string> errors;
};
