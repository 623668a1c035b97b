#include "win32/settings_dialog.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "win32/newer_calls.h"
#include "win32/registry_settings.h"
#include "win32/window_class.h"

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
constexpr const char* kButtonCaptions[3] = {"Save", "Our site", "Cancel"};
constexpr int kButtonTop = 135, kButtonWidth = 70, kButtonHeight = 17;
constexpr int kDialogWidth = 360, kDialogHeight = 180, kBottomMargin = 50;
constexpr int kFontHeight = 13;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;
constexpr COLORREF kBackground = RGB(128, 128, 128);
constexpr COLORREF kLabelColor = RGB(225, 190, 0);
// Child ids in creation order: sliders, buttons, labels. None is IDOK or
// IDCANCEL, so Enter presses nothing and Esc reaches the dialog itself.
constexpr int kFirstSliderId = 100, kFirstButtonId = 106, kFirstLabelId = 109;

int scaled(int pixelsAt96, int dpi) { return ::MulDiv(pixelsAt96, dpi, USER_DEFAULT_SCREEN_DPI); }

RECT scaledRect(int left, int top, int width, int height, int dpi) {
  const int l = scaled(left, dpi), t = scaled(top, dpi);
  return RECT{l, t, l + scaled(width, dpi), t + scaled(height, dpi)};
}

HFONT boldFont(const char* name, int height) {
  return ::CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name);
}

void place(HWND control, const RECT& r) {
  ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
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
      window = w;
      break;
    case WM_NCDESTROY:
      window = nullptr;
      return ::DefWindowProcA(w, message, wParam, lParam);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) endSettingsMode();
      if (HIWORD(wParam) != BN_CLICKED) return 0;
      if (LOWORD(wParam) == kFirstButtonId + kSaveButton) save();
      if (LOWORD(wParam) == kFirstButtonId + kOurSiteButton) openHomePage();
      if (LOWORD(wParam) == kFirstButtonId + kCancelButton) endSettingsMode();
      return 0;
    case WM_HSCROLL:
      for (int i = 0; i < kSettingCount; ++i)
        if (reinterpret_cast<HWND>(lParam) == sliders[i])
          settings().*kSettingTable[i].value = static_cast<std::int32_t>(::SendMessageA(sliders[i], TBM_GETPOS, 0, 0));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      if (isOneOf(reinterpret_cast<HWND>(lParam), labels, kSettingCount)) ::SetTextColor(dc, kLabelColor);
      ::SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(background);
    }
    case WM_SETCURSOR: {
      const auto over = reinterpret_cast<HWND>(wParam);
      if (LOWORD(lParam) != HTCLIENT || !(isOneOf(over, sliders, kSettingCount) || isOneOf(over, buttons, 3)))
        break;
      ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
      return TRUE;
    }
    case WM_ERASEBKGND: {
      RECT r{};
      ::GetClientRect(window, &r);
      ::FillRect(reinterpret_cast<HDC>(wParam), &r, background);
      return 1;
    }
    case WM_ACTIVATE:
      // The focus goes back to the control that had it, or the first slider.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window, focus)) lastFocus = focus;
      } else if (HIWORD(wParam) == 0) {
        ::SetFocus(lastFocus != nullptr && ::IsChild(window, lastFocus) ? lastFocus : sliders[0]);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      const auto* r = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
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

DialogLayout LayoutSettingsDialog(int dpi) {
  DialogLayout layout{};
  layout.window = SIZE{scaled(kDialogWidth, dpi), scaled(kDialogHeight, dpi)};
  for (int i = 0; i < kSettingCount; ++i) {
    const SliderPlace& p = kSliderPlaces[i];
    layout.sliders[i] = scaledRect(p.left, p.top, kSliderWidth, kSliderHeight, dpi);
    layout.labels[i] = POINT{scaled(p.labelLeft, dpi), scaled(p.labelTop, dpi)};
  }
  for (int i = 0; i < 3; ++i) layout.buttons[i] = scaledRect(kButtonLefts[i], kButtonTop, kButtonWidth, kButtonHeight, dpi);
  layout.thumbLength = scaled(kThumbLength, dpi);
  layout.fontHeight = scaled(kFontHeight, dpi);
  layout.bottomMargin = scaled(kBottomMargin, dpi);
  return layout;
}

PixelSize DialogOuterSize(const DialogLayout& layout, FrameInsets frame) {
  PixelSize content{0, 0};
  const auto reach = [&content](const RECT& r) {
    content.width = std::max<std::int32_t>(content.width, r.right);
    content.height = std::max<std::int32_t>(content.height, r.bottom);
  };
  for (const RECT& r : layout.sliders) reach(r);
  for (const RECT& r : layout.buttons) reach(r);
  return OuterSizeHolding(content, frame, PixelSize{layout.window.cx, layout.window.cy});
}

SettingsDialog::~SettingsDialog() {
  // The saver first: the dialog is owned by its window and goes with it.
  saver.reset();
  if (window != nullptr) ::DestroyWindow(window);
  if (labelFont != nullptr) ::DeleteObject(labelFont);
  if (buttonFont != nullptr) ::DeleteObject(buttonFont);
  if (background != nullptr) ::DeleteObject(background);
  if (comStarted) ::CoUninitialize();
}

void SettingsDialog::layOut(int newDpi) {
  dpi = newDpi;
  const DialogLayout layout = LayoutSettingsDialog(dpi);
  const HFONT oldLabelFont = labelFont, oldButtonFont = buttonFont;
  labelFont = boldFont("MS Sans Serif", layout.fontHeight);
  buttonFont = boldFont("Courier New", layout.fontHeight);
  for (int i = 0; i < kSettingCount; ++i) {
    ::SendMessageA(sliders[i], TBM_SETTHUMBLENGTH, static_cast<WPARAM>(layout.thumbLength), 0);
    place(sliders[i], layout.sliders[i]);

    ::SendMessageA(labels[i], WM_SETFONT, reinterpret_cast<WPARAM>(labelFont), FALSE);
    const std::string caption = kSettingTable[i].label;
    SIZE text{0, 0};
    const HDC dc = ::GetDC(labels[i]);
    const HGDIOBJ previous = ::SelectObject(dc, labelFont);
    ::GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    ::SelectObject(dc, previous);
    ::ReleaseDC(labels[i], dc);
    const POINT at = layout.labels[i];
    place(labels[i], RECT{at.x, at.y, at.x + text.cx, at.y + text.cy});
  }
  for (int i = 0; i < 3; ++i) {
    ::SendMessageA(buttons[i], WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont), FALSE);
    place(buttons[i], layout.buttons[i]);
  }
  if (oldLabelFont != nullptr) ::DeleteObject(oldLabelFont);
  if (oldButtonFont != nullptr) ::DeleteObject(oldButtonFont);
}

void SettingsDialog::save() {
  Settings& values = settings();
  for (int i = 0; i < kSettingCount; ++i)
    values.*kSettingTable[i].value = static_cast<std::int32_t>(::SendMessageA(sliders[i], TBM_GETPOS, 0, 0));
  RegistrySettingsKey registry;
  SettingsKey& key = saveKey != nullptr ? *saveKey : registry;
  const auto because = [&key] {
    const std::string reason = key.failureReason();
    return reason.empty() ? std::string(".") : ": " + reason;
  };
  try {
    if (SaveSettings(key, values) == SaveResult::KeyUnavailable)
      reportSaveFailure(window, std::string("The key HKEY_CURRENT_USER\\") + kSettingsKeyPath +
                                    " could not be opened or created" + because());
  } catch (const SettingsError& e) {
    reportSaveFailure(window, e.what() + because());
  }
  endSettingsMode();
}

void SettingsDialog::openHomePage() {
  // The shell may hand the address to an extension that needs COM on this
  // thread; it stays initialised until the dialog goes.
  if (!comStarted) comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  const auto result =
      reinterpret_cast<INT_PTR>(::ShellExecuteA(window, "open", kHomePageUrl, nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    ShowErrorBox(std::string("The home page could not be opened.\n\n") + kHomePageUrl, "Flindra", window);
    return;
  }
  // The browser opens behind topmost windows: step aside so it comes to the
  // front. The dialog stays in front of the saver, which owns it.
  const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  if (saver)
    for (const SaverWindow& w : saver->windows) ::SetWindowPos(w.window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  // NOTE: Wine 8 answers TRUE here but keeps the owned dialog topmost.
  ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
}

bool CreateSettingsDialog(SettingsDialog& d) {
  RegisterWindowClass({kDialogClassName, OwnedWindowProc<SettingsDialog>});
  d.background = ::CreateSolidBrush(kBackground);
  ::CreateWindowExA(kDialogExStyle, kDialogClassName, "Flindra Settings", kDialogStyle, 0, 0, kDialogWidth,
                    kDialogHeight, nullptr, nullptr, ::GetModuleHandleA(nullptr), &d);
  if (d.window == nullptr) {
    ShowErrorBox("The window could not be created.");
    return false;
  }
  const int dpi = WindowDpi(d.window);
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingInfo& s = kSettingTable[i];
    d.sliders[i] = createControl(d.window, TRACKBAR_CLASSA, "",
                                 WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | TBS_FIXEDLENGTH, kFirstSliderId + i);
    ::SendMessageA(d.sliders[i], TBM_SETRANGEMIN, FALSE, s.sliderMin);
    ::SendMessageA(d.sliders[i], TBM_SETRANGEMAX, FALSE, s.sliderMax);
    ::SendMessageA(d.sliders[i], TBM_SETTICFREQ, 1, 0);
    ::SendMessageA(d.sliders[i], TBM_SETLINESIZE, 0, 1);
    ::SendMessageA(d.sliders[i], TBM_SETPAGESIZE, 0, 2);
  }
  for (int i = 0; i < 3; ++i)
    d.buttons[i] = createControl(d.window, "BUTTON", kButtonCaptions[i], WS_TABSTOP | BS_PUSHBUTTON, kFirstButtonId + i);
  for (int i = 0; i < kSettingCount; ++i)
    d.labels[i] = createControl(d.window, "STATIC", kSettingTable[i].label, SS_LEFT | SS_NOPREFIX, kFirstLabelId + i);
  d.layOut(dpi);

  const bool loaded = LoadStoredSettings(d.loaded);
  // The sliders show the stored values within their ranges; the saver draws
  // with the values as stored until a slider moves.
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingInfo& s = kSettingTable[i];
    const int position = std::clamp(d.loaded.*s.value, s.sliderMin, s.sliderMax);
    ::SendMessageA(d.sliders[i], TBM_SETPOS, TRUE, position);
  }

  // Bottom centre of the primary screen, measured by the client area.
  const DialogLayout layout = LayoutSettingsDialog(dpi);
  const PixelSize outer = DialogOuterSize(layout, FrameAround(kDialogStyle, kDialogExStyle, dpi));
  ::SetWindowPos(d.window, nullptr, 0, 0, outer.width, outer.height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  RECT client{};
  ::GetClientRect(d.window, &client);
  ::SetWindowPos(d.window, nullptr, ::GetSystemMetrics(SM_CXSCREEN) / 2 - client.right / 2,
                 ::GetSystemMetrics(SM_CYSCREEN) - client.bottom - layout.bottomMargin, 0, 0,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);

  if (loaded) {
    d.saver = std::make_unique<Saver>(SaverInput::EscapeOnly);
    d.saver->settings = d.loaded;
    if (!d.saver->Create(true)) return false;
    d.saver->frontWindow = d.window;
    d.saver->Show();
    // Owned by the saver, the dialog stays in front of it even when the
    // saver is clicked.
    ::SetWindowLongPtrA(d.window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(d.saver->primaryWindow()));
  }
  ::ShowWindow(d.window, SW_SHOW);
  return true;
}

void RunSettingsDialog() {
  SettingsDialog dialog;
  if (!CreateSettingsDialog(dialog)) return;
  RunMessageLoop(dialog.window);
}
