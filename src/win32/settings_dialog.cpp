#include "win32/settings_dialog.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "core/window_size.h"
#include "win32/newer_calls.h"
#include "win32/registry_settings.h"
#include "win32/window_class.h"

namespace {

constexpr const char* kButtonCaptions[kDialogButtonCount] = {"Save", "Our site", "Cancel"};
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;
constexpr COLORREF kBackground = RGB(128, 128, 128);
constexpr COLORREF kLabelColor = RGB(225, 190, 0);
// Child ids in creation order: sliders, buttons, labels. None is IDOK or
// IDCANCEL, so Enter presses nothing and Esc reaches the dialog itself.
constexpr int kFirstSliderId = 100, kFirstButtonId = 106, kFirstLabelId = 109;
enum Button { kSave, kOurSite, kCancel };  // kFirstButtonId + Button

HFONT boldFont(const char* name, int height) {
  return ::CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name);
}

void place(HWND control, const ControlRect& r) {
  ::SetWindowPos(control, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(control, nullptr, TRUE);
}

HWND createControl(HWND parent, const char* className, const char* text, DWORD style, int id) {
  return ::CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
}

// Ends settings mode; the saver and the dialog go when the loop has ended.
void endSettingsMode() { ::PostQuitMessage(0); }

void reportSaveFailure(HWND owner, const std::string& reason) {
  ShowErrorBox("The settings could not be saved.\n\n" + reason, "Flindra", owner);
}

bool isOneOf(HWND control, const HWND* list, int count) { return std::find(list, list + count, control) != list + count; }

}  // namespace

LRESULT SettingsDialog::handle(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = w;
      break;
    case WM_NCDESTROY:
      window_ = nullptr;
      return ::DefWindowProcA(w, message, wParam, lParam);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) endSettingsMode();
      if (HIWORD(wParam) != BN_CLICKED) return 0;
      if (LOWORD(wParam) == kFirstButtonId + kSave) save();
      if (LOWORD(wParam) == kFirstButtonId + kOurSite) openHomePage();
      if (LOWORD(wParam) == kFirstButtonId + kCancel) endSettingsMode();
      return 0;
    case WM_HSCROLL:
      for (int i = 0; i < kSettingCount; ++i)
        if (reinterpret_cast<HWND>(lParam) == sliders_[i])
          settings_.*kSettingTable[i].value = static_cast<std::int32_t>(::SendMessageA(sliders_[i], TBM_GETPOS, 0, 0));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      if (isOneOf(reinterpret_cast<HWND>(lParam), labels_, kSettingCount)) ::SetTextColor(dc, kLabelColor);
      ::SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(background_);
    }
    case WM_SETCURSOR: {
      const auto over = reinterpret_cast<HWND>(wParam);
      if (LOWORD(lParam) != HTCLIENT || !(isOneOf(over, sliders_, kSettingCount) || isOneOf(over, buttons_, kDialogButtonCount)))
        break;
      ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
      return TRUE;
    }
    case WM_ERASEBKGND: {
      RECT r{};
      ::GetClientRect(window_, &r);
      ::FillRect(reinterpret_cast<HDC>(wParam), &r, background_);
      return 1;
    }
    case WM_ACTIVATE:
      // The focus goes back to the control that had it, or the first slider.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window_, focus)) lastFocus_ = focus;
      } else if (HIWORD(wParam) == 0) {
        ::SetFocus(lastFocus_ != nullptr && ::IsChild(window_, lastFocus_) ? lastFocus_ : sliders_[0]);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      const auto* r = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      layOut(HIWORD(wParam));
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) endSettingsMode();
      return 0;
    case WM_CLOSE:
      endSettingsMode();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(w, message, wParam, lParam);
}

SettingsDialog::~SettingsDialog() {
  // The saver first: the dialog is owned by its window and goes with it.
  saver_.reset();
  if (window_ != nullptr) ::DestroyWindow(window_);
  if (labelFont_ != nullptr) ::DeleteObject(labelFont_);
  if (buttonFont_ != nullptr) ::DeleteObject(buttonFont_);
  if (background_ != nullptr) ::DeleteObject(background_);
  if (comStarted_) ::CoUninitialize();
}

SIZE SettingsDialog::layOut(int dpi) {
  const DialogLayout layout = SettingsDialogLayout(dpi);
  const HFONT oldLabelFont = labelFont_, oldButtonFont = buttonFont_;
  labelFont_ = boldFont("MS Sans Serif", layout.fontHeight);
  buttonFont_ = boldFont("Courier New", layout.fontHeight);
  for (int i = 0; i < kSettingCount; ++i) {
    ::SendMessageA(sliders_[i], TBM_SETTHUMBLENGTH, static_cast<WPARAM>(layout.thumbLength), 0);
    place(sliders_[i], layout.sliders[i]);

    // A label sizes to its text.
    ::SendMessageA(labels_[i], WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_), FALSE);
    const std::string caption = kSettingTable[i].label;
    SIZE text{0, 0};
    const HDC dc = ::GetDC(labels_[i]);
    const HGDIOBJ previous = ::SelectObject(dc, labelFont_);
    ::GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    ::SelectObject(dc, previous);
    ::ReleaseDC(labels_[i], dc);
    place(labels_[i], ControlRect{layout.labels[i].left, layout.labels[i].top, text.cx, text.cy});
  }
  for (int i = 0; i < kDialogButtonCount; ++i) {
    ::SendMessageA(buttons_[i], WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_), FALSE);
    place(buttons_[i], layout.buttons[i]);
  }
  if (oldLabelFont != nullptr) ::DeleteObject(oldLabelFont);
  if (oldButtonFont != nullptr) ::DeleteObject(oldButtonFont);
  const PixelSize outer =
      OuterSizeHolding(layout.content, FrameAround(kDialogStyle, kDialogExStyle, dpi), layout.minimum);
  return SIZE{outer.width, outer.height};
}

void SettingsDialog::save() {
  for (int i = 0; i < kSettingCount; ++i)
    settings_.*kSettingTable[i].value = static_cast<std::int32_t>(::SendMessageA(sliders_[i], TBM_GETPOS, 0, 0));
  RegistrySettingsKey registry;
  SettingsKey& key = store_ != nullptr ? *store_ : registry;
  const auto because = [&key] {
    const std::string reason = key.failureReason();
    return reason.empty() ? std::string(".") : ": " + reason;
  };
  try {
    if (SaveSettings(key, settings_) == SaveResult::KeyUnavailable)
      reportSaveFailure(window_, std::string("The key HKEY_CURRENT_USER\\") + kSettingsKeyPath +
                                     " could not be opened or created" + because());
  } catch (const SettingsError& e) {
    reportSaveFailure(window_, e.what() + because());
  }
  endSettingsMode();
}

void SettingsDialog::openHomePage() {
  // The shell may hand the address to an extension that needs COM on this
  // thread; it stays initialised until the dialog goes.
  if (!comStarted_) comStarted_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  const auto result =
      reinterpret_cast<INT_PTR>(::ShellExecuteA(window_, "open", kHomePageUrl, nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    ShowErrorBox(std::string("The home page could not be opened.\n\n") + kHomePageUrl, "Flindra", window_);
    return;
  }
  // The browser opens behind topmost windows: step aside so it comes to the
  // front. The dialog stays in front of the saver, which owns it.
  if (saver_) saver_->StepBack();
  // NOTE: Wine 8 answers TRUE here but keeps the owned dialog topmost.
  ::SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

HWND SettingsDialog::Create() {
  RegisterWindowClass({kDialogClassName, OwnedWindowProc<SettingsDialog>});
  background_ = ::CreateSolidBrush(kBackground);
  ::CreateWindowExA(kDialogExStyle, kDialogClassName, "Flindra Settings", kDialogStyle, 0, 0, kDialogSizeAt96.width,
                    kDialogSizeAt96.height, nullptr, nullptr, ::GetModuleHandleA(nullptr), this);
  if (window_ == nullptr) {
    ShowErrorBox("The window could not be created.");
    return nullptr;
  }
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingInfo& s = kSettingTable[i];
    sliders_[i] = createControl(window_, TRACKBAR_CLASSA, "",
                                WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | TBS_FIXEDLENGTH, kFirstSliderId + i);
    ::SendMessageA(sliders_[i], TBM_SETRANGE, FALSE, MAKELPARAM(s.sliderMin, s.sliderMax));
    ::SendMessageA(sliders_[i], TBM_SETTICFREQ, 1, 0);
    ::SendMessageA(sliders_[i], TBM_SETLINESIZE, 0, 1);
    ::SendMessageA(sliders_[i], TBM_SETPAGESIZE, 0, 2);
  }
  for (int i = 0; i < kDialogButtonCount; ++i)
    buttons_[i] = createControl(window_, "BUTTON", kButtonCaptions[i], WS_TABSTOP | BS_PUSHBUTTON, kFirstButtonId + i);
  for (int i = 0; i < kSettingCount; ++i)
    labels_[i] = createControl(window_, "STATIC", kSettingTable[i].label, SS_LEFT | SS_NOPREFIX, kFirstLabelId + i);

  // Bottom centre of the primary screen, measured by the client area.
  const int dpi = WindowDpi(window_);
  const SIZE outer = layOut(dpi);
  ::SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  RECT client{};
  ::GetClientRect(window_, &client);
  ::SetWindowPos(window_, nullptr, ::GetSystemMetrics(SM_CXSCREEN) / 2 - client.right / 2,
                 ::GetSystemMetrics(SM_CYSCREEN) - client.bottom - SettingsDialogLayout(dpi).bottomMargin, 0, 0,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);

  // The sliders show the stored values within their ranges; the saver draws
  // with the values as stored until a slider moves.
  const bool loaded = LoadStoredSettings(settings_);
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingInfo& s = kSettingTable[i];
    ::SendMessageA(sliders_[i], TBM_SETPOS, TRUE, std::clamp(settings_.*s.value, s.sliderMin, s.sliderMax));
  }
  if (loaded) {
    saver_ = std::make_unique<Saver>(SaverInput::EscapeOnly, settings_);
    if (!saver_->Create(true)) return nullptr;
    saver_->Show(window_);
  }
  ::ShowWindow(window_, SW_SHOW);
  return window_;
}

void RunSettingsDialog() {
  SettingsDialog dialog;
  if (const HWND window = dialog.Create()) RunMessageLoop(window);
}
