// The settings dialog (TForm2): six sliders over SaverSettings, shown in
// front of a running full-screen saver, so a slider change shows from the
// saver's next tick. Save stores the six values; Cancel, the close box and Esc
// end the program without storing anything.
#pragma once

#include <string>

#include "core/Settings.h"
#include "win32/forms.h"

// The product's home page, opened by "Our site".
constexpr const char* kHomePageUrl = "https://flindra.example/";

class TForm2 : public TForm {
 public:
  TForm2();
  ~TForm2() override;

  // Tab order: the sliders, then the buttons.
  TTrackBar TrackBar1;  // "Speed": Fast, 0..10
  TTrackBar TrackBar2;  // "Brightness": Bright, 1..10
  TTrackBar TrackBar3;  // "Size": Size, 1..10
  TTrackBar TrackBar4;  // "Satiation": Satiation, 1..10
  TTrackBar TrackBar5;  // "Rotate": Color, 1..30
  TTrackBar TrackBar6;  // "Color": Alpha, 1..10
  TButton Button1;      // "Save"
  TButton Button2;      // "Our site"
  TButton Button3;      // "Cancel"
  TLabel Label1, Label2, Label3, Label4, Label5, Label6;

  void FormCreate() override;
  void FormClose() override;
  void FormKeyDown(WORD key) override;
  void TrackBar1Change();
  void TrackBar2Change();
  void TrackBar3Change();
  void TrackBar4Change();
  void TrackBar5Change();
  void TrackBar6Change();
  void Button1Click();
  void Button2Click();
  void Button3Click();

  // Where Save stores the values; null means the registry.
  SettingsKey* SaveKey = nullptr;

 protected:
  void createParams(FormParams& params) override;

 private:
  TTrackBar& slider(int index);
  TLabel& label(int index);
  void copyPosition(int index);
  void save(const std::int32_t (&values)[kSettingCount]);
  void reportSaveFailure(const std::string& reason);
};

extern TForm2* Form2;
