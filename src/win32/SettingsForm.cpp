#include "win32/SettingsForm.h"

#include <shellapi.h>

#include "win32/Full.h"
#include "win32/Settings_win32.h"

TForm2* Form2 = nullptr;

namespace {

// Places at 96 DPI, in pixels from the client area's top left.
struct SliderPlace {
  int left, top, labelLeft, labelTop;
};
constexpr SliderPlace kSliderPlaces[kSettingCount] = {
    {5, 25, 23, 5}, {5, 70, 23, 50}, {5, 115, 23, 95}, {185, 25, 205, 5}, {185, 70, 205, 50}, {185, 115, 205, 95},
};
constexpr int kSliderWidth = 165, kSliderHeight = 10, kThumbLength = 10;
constexpr int kButtonLefts[3] = {10, 87, 276};
constexpr int kButtonTop = 135, kButtonWidth = 70, kButtonHeight = 17;
constexpr int kDialogWidth = 360, kDialogHeight = 180, kBottomMargin = 50;
constexpr COLORREF kBackground = RGB(128, 128, 128);
constexpr COLORREF kLabelColor = RGB(225, 190, 0);

// Labels and buttons: bold, 13 pixels at 96 DPI.
TFont boldFont(const char* name) {
  TFont font;
  font.Name = name;
  font.Height = 13;
  font.Bold = true;
  return font;
}

}  // namespace

TForm2::TForm2()
    : TrackBar1(*this, kSettingTable[0].sliderMin, kSettingTable[0].sliderMax),
      TrackBar2(*this, kSettingTable[1].sliderMin, kSettingTable[1].sliderMax),
      TrackBar3(*this, kSettingTable[2].sliderMin, kSettingTable[2].sliderMax),
      TrackBar4(*this, kSettingTable[3].sliderMin, kSettingTable[3].sliderMax),
      TrackBar5(*this, kSettingTable[4].sliderMin, kSettingTable[4].sliderMax),
      TrackBar6(*this, kSettingTable[5].sliderMin, kSettingTable[5].sliderMax),
      Button1(*this, "Save"),
      Button2(*this, "Our site"),
      Button3(*this, "Cancel"),
      Label1(*this, kSettingTable[0].label),
      Label2(*this, kSettingTable[1].label),
      Label3(*this, kSettingTable[2].label),
      Label4(*this, kSettingTable[3].label),
      Label5(*this, kSettingTable[4].label),
      Label6(*this, kSettingTable[5].label) {
  Form2 = this;
  for (int i = 0; i < kSettingCount; ++i) {
    TTrackBar& s = slider(i);
    s.Left = kSliderPlaces[i].left;
    s.Top = kSliderPlaces[i].top;
    s.Width = kSliderWidth;
    s.Height = kSliderHeight;
    s.ThumbLength = kThumbLength;
    s.HandCursor = true;
    TLabel& l = label(i);
    l.Left = kSliderPlaces[i].labelLeft;
    l.Top = kSliderPlaces[i].labelTop;
    l.Font = boldFont("MS Sans Serif");
  }
  TrackBar1.OnChange = [this] { TrackBar1Change(); };
  TrackBar2.OnChange = [this] { TrackBar2Change(); };
  TrackBar3.OnChange = [this] { TrackBar3Change(); };
  TrackBar4.OnChange = [this] { TrackBar4Change(); };
  TrackBar5.OnChange = [this] { TrackBar5Change(); };
  TrackBar6.OnChange = [this] { TrackBar6Change(); };

  TButton* buttons[3] = {&Button1, &Button2, &Button3};
  for (int i = 0; i < 3; ++i) {
    buttons[i]->Left = kButtonLefts[i];
    buttons[i]->Top = kButtonTop;
    buttons[i]->Width = kButtonWidth;
    buttons[i]->Height = kButtonHeight;
    buttons[i]->Font = boldFont("Courier New");
    buttons[i]->HandCursor = true;
  }
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
  Button3.OnClick = [this] { Button3Click(); };
}

TForm2::~TForm2() {
  destroy();
  if (Form2 == this) Form2 = nullptr;
}

void TForm2::createParams(FormParams& params) {
  params.className = "TForm2";
  params.caption = "Flindra Settings";
  params.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  params.exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;
  params.width = kDialogWidth;
  params.height = kDialogHeight;
  params.color = kBackground;
  params.icon = true;
}

TTrackBar& TForm2::slider(int index) {
  TTrackBar* sliders[kSettingCount] = {&TrackBar1, &TrackBar2, &TrackBar3, &TrackBar4, &TrackBar5, &TrackBar6};
  return *sliders[index];
}

TLabel& TForm2::label(int index) {
  TLabel* labels[kSettingCount] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6};
  return *labels[index];
}

void TForm2::FormCreate() {
  LoadSettings();
  for (int i = 0; i < kSettingCount; ++i) slider(i).SetPosition(SaverSettings.*kSettingTable[i].value);

  SetClientWidth(Scale(kDialogWidth));
  SetClientHeight(Scale(kDialogHeight));
  SetWidth(ClientWidth());
  SetHeight(ClientHeight());
  SetLeft(::GetSystemMetrics(SM_CXSCREEN) / 2 - ClientWidth() / 2);
  SetTop(::GetSystemMetrics(SM_CYSCREEN) - ClientHeight() - Scale(kBottomMargin));

  for (int i = 0; i < kSettingCount; ++i) {
    label(i).Font.Color = kLabelColor;
    ::InvalidateRect(label(i).Handle(), nullptr, TRUE);
  }

  Application.CreateForm(Form1);
  // Owned by the saver, the dialog stays in front of it even when the saver
  // is clicked.
  if (Form1 != nullptr && Form1->Handle() != nullptr)
    ::SetWindowLongPtrA(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Form1->Handle()));
}

void TForm2::copyPosition(int index) { SaverSettings.*kSettingTable[index].value = slider(index).Position(); }

void TForm2::TrackBar1Change() { copyPosition(0); }
void TForm2::TrackBar2Change() { copyPosition(1); }
void TForm2::TrackBar3Change() { copyPosition(2); }
void TForm2::TrackBar4Change() { copyPosition(3); }
void TForm2::TrackBar5Change() { copyPosition(4); }
void TForm2::TrackBar6Change() { copyPosition(5); }

void TForm2::Button1Click() {
  std::int32_t values[kSettingCount];
  for (int i = 0; i < kSettingCount; ++i) {
    values[i] = slider(i).Position();
    SaverSettings.*kSettingTable[i].value = values[i];
  }
  save(values);
  Close();
}

void TForm2::save(const std::int32_t (&values)[kSettingCount]) {
  RegistrySettingsKey registry;
  SettingsKey& key = SaveKey != nullptr ? *SaveKey : registry;
  const auto because = [&key] {
    const std::string reason = key.failureReason();
    return reason.empty() ? std::string(".") : ": " + reason;
  };
  try {
    if (SaveSettings(key, values) == SaveResult::KeyUnavailable)
      reportSaveFailure(std::string("The key HKEY_CURRENT_USER\\") + kSettingsKeyPath +
                        " could not be opened or created" + because());
  } catch (const SettingsError& e) {
    reportSaveFailure(e.what() + because());
  }
}

void TForm2::reportSaveFailure(const std::string& reason) {
  const std::string text = "The settings could not be saved.\n\n" + reason;
  ::MessageBoxA(Handle(), text.c_str(), Application.Title.c_str(), MB_OK | MB_ICONERROR);
}

void TForm2::Button2Click() {
  ::ShellExecuteA(Handle(), "open", kHomePageUrl, nullptr, nullptr, SW_SHOWNORMAL);
}

void TForm2::Button3Click() { Application.Terminate(); }

void TForm2::FormClose() { Application.Terminate(); }

void TForm2::FormKeyDown(WORD key) {
  if (key == VK_ESCAPE) Application.Terminate();
}
