#include "win32/forms.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <set>
#include <stdexcept>

TApplication Application;

namespace {

constexpr int kProgramIcon = 1;  // resource id of the program icon

HINSTANCE instance() { return ::GetModuleHandleA(nullptr); }

int scaleTo(int pixelsAt96, int dpi) { return ::MulDiv(pixelsAt96, dpi, USER_DEFAULT_SCREEN_DPI); }

// Registers the window class of a form once per class name.
void registerFormClass(const FormParams& params, WNDPROC proc) {
  static std::set<std::string> registered;
  if (registered.count(params.className) != 0) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = params.classStyle;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance();
  if (params.icon) {
    wc.hIcon = ::LoadIconA(instance(), MAKEINTRESOURCEA(kProgramIcon));
    wc.hIconSm = wc.hIcon;
  }
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.lpszClassName = params.className;
  if (::RegisterClassExA(&wc) == 0) throw std::runtime_error("The window class could not be registered.");
  registered.insert(params.className);
}

HWND firstTabStop(HWND parent) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_STYLE));
    if ((style & WS_TABSTOP) != 0 && (style & WS_VISIBLE) != 0 && (style & WS_DISABLED) == 0) return child;
  }
  return nullptr;
}

}  // namespace

// ---- TApplication ---------------------------------------------------------

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);
}

void TApplication::createForm(TForm& form) {
  try {
    form.create();
  } catch (...) {
    HandleException();
  }
  if (form.handle_ == nullptr) return;
  if (MainForm == nullptr) {
    MainForm = &form;
    // A form closed while it was being created has nothing to show; as the
    // main form it ends the application.
    if (form.closed_) Terminate();
  }
  if (form.visible_ && !form.closed_ && !Terminated) form.Show();
}

void TApplication::Run() {
  if (MainForm == nullptr || Terminated) return;
  MainForm->Show();
  while (!Terminated) {
    if (!ProcessMessage()) ::WaitMessage();
  }
}

void TApplication::Terminate() {
  if (Terminated) return;
  Terminated = true;
  ::PostQuitMessage(0);
}

bool TApplication::ProcessMessage() {
  MSG msg;
  if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    Terminated = true;
    return true;
  }
  if (!isDialogKey(msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return true;
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

// Tab and Shift+Tab move the focus through a form's tab stops.
bool TApplication::isDialogKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || msg.hwnd == nullptr) return false;
  const HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  const bool ours = std::any_of(forms_.begin(), forms_.end(),
                                [root](const std::unique_ptr<TForm>& f) { return f->Handle() == root; });
  if (!ours || firstTabStop(root) == nullptr) return false;
  const bool back = ::GetKeyState(VK_SHIFT) < 0;
  const HWND next = ::GetNextDlgTabItem(root, msg.hwnd == root ? nullptr : msg.hwnd, back ? TRUE : FALSE);
  if (next == nullptr) return false;
  ::SetFocus(next);
  return true;
}

void TApplication::HandleException() {
  std::string text;
  try {
    throw;
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "An unknown error occurred.";
  }
  ShowException(text);
}

void TApplication::ShowException(const std::string& text) {
  if (OnException) {
    OnException(text);
    return;
  }
  // NOTE: no owner and topmost, so the box shows above the full-screen
  // window, which is topmost itself.
  ::MessageBoxA(nullptr, text.c_str(), Title.c_str(), MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
}

void TApplication::DestroyForms() {
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) (*it)->destroy();
  forms_.clear();
  MainForm = nullptr;
  Terminated = false;
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

// ---- TComponent, TTimer ---------------------------------------------------

TComponent::TComponent(TForm& owner) : owner_(owner) { owner.components_.push_back(this); }

TComponent::~TComponent() {
  auto& list = owner_.components_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

TTimer::TTimer(TForm& owner, UINT intervalMs) : TComponent(owner), interval_(intervalMs) {
  static UINT_PTR nextId = 1;
  id_ = nextId++;
}

TTimer::~TTimer() { stop(); }

void TTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled)
    stop();
  else if (owner_.Handle() != nullptr)
    start();
}

void TTimer::start() {
  if (running_) return;
  running_ = ::SetTimer(owner_.Handle(), id_, interval_, nullptr) != 0;
}

void TTimer::stop() {
  if (!running_) return;
  ::KillTimer(owner_.Handle(), id_);
  running_ = false;
}

void TTimer::handleCreated(int) {
  if (enabled_) start();
}

void TTimer::handleDestroying() { stop(); }

bool TTimer::notify(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
  if (msg != WM_TIMER || wParam != id_) return false;
  if (running_ && OnTimer) OnTimer();
  result = 0;
  return true;
}

// ---- TWinControl ----------------------------------------------------------

TWinControl::~TWinControl() { handleDestroying(); }

void TWinControl::handleCreated(int dpi) {
  static int nextId = 100;
  createHandle(owner_.Handle(), nextId++);
  applyFontAndBounds(dpi);
}

void TWinControl::handleDestroying() {
  // The child window goes with its parent; only the font is ours to free.
  handle_ = nullptr;
  if (font_ != nullptr) ::DeleteObject(font_);
  font_ = nullptr;
}

void TWinControl::dpiChanged(int dpi) { applyFontAndBounds(dpi); }

SIZE TWinControl::sizeAt(int dpi) const { return SIZE{scaleTo(Width, dpi), scaleTo(Height, dpi)}; }

void TWinControl::applyFontAndBounds(int dpi) {
  if (handle_ == nullptr) return;
  const HFONT old = font_;
  font_ = ::CreateFontA(-scaleTo(Font.Height, dpi), 0, 0, 0, Font.Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, Font.Name);
  ::SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (old != nullptr) ::DeleteObject(old);
  layout(dpi);
  const SIZE size = sizeAt(dpi);
  ::SetWindowPos(handle_, nullptr, scaleTo(Left, dpi), scaleTo(Top, dpi), size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(handle_, nullptr, TRUE);
}

bool TWinControl::notify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (handle_ == nullptr) return false;
  switch (msg) {
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) != handle_ || !HandCursor || LOWORD(lParam) != HTCLIENT) return false;
      ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
      result = TRUE;
      return true;
    case WM_COMMAND:
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) != handle_) return false;
      controlNotify(msg, wParam);
      result = 0;
      return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (reinterpret_cast<HWND>(lParam) != handle_) return false;
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      result = reinterpret_cast<LRESULT>(owner_.BackgroundBrush());
      return true;
    default:
      return false;
  }
}

// ---- TTrackBar ------------------------------------------------------------

TTrackBar::TTrackBar(TForm& owner, int min, int max)
    : TWinControl(owner), min_(min), max_(max), position_(std::clamp(0, min, max)) {}

void TTrackBar::createHandle(HWND parent, int id) {
  handle_ = ::CreateWindowExA(0, TRACKBAR_CLASSA, "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | TBS_FIXEDLENGTH,
                              0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), nullptr);
  if (handle_ == nullptr) throw std::runtime_error("A trackbar could not be created.");
  ::SendMessageA(handle_, TBM_SETRANGEMIN, FALSE, min_);
  ::SendMessageA(handle_, TBM_SETRANGEMAX, FALSE, max_);
  ::SendMessageA(handle_, TBM_SETTICFREQ, 1, 0);
  ::SendMessageA(handle_, TBM_SETLINESIZE, 0, 1);
  ::SendMessageA(handle_, TBM_SETPAGESIZE, 0, 2);
  ::SendMessageA(handle_, TBM_SETPOS, TRUE, position_);
}

void TTrackBar::layout(int dpi) {
  ::SendMessageA(handle_, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(scaleTo(ThumbLength, dpi)), 0);
}

void TTrackBar::SetPosition(int value) {
  value = std::clamp(value, min_, max_);
  if (handle_ != nullptr) ::SendMessageA(handle_, TBM_SETPOS, TRUE, value);
  if (value == position_) return;
  position_ = value;
  if (OnChange) OnChange();
}

void TTrackBar::controlNotify(UINT msg, WPARAM) {
  if (msg != WM_HSCROLL) return;
  const int shown = static_cast<int>(::SendMessageA(handle_, TBM_GETPOS, 0, 0));
  if (shown == position_) return;
  position_ = shown;
  if (OnChange) OnChange();
}

// ---- TLabel ---------------------------------------------------------------

TLabel::TLabel(TForm& owner, const char* caption) : TWinControl(owner), caption_(caption) {}

void TLabel::createHandle(HWND parent, int id) {
  handle_ = ::CreateWindowExA(0, "STATIC", caption_.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0,
                              0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), nullptr);
  if (handle_ == nullptr) throw std::runtime_error("A label could not be created.");
}

SIZE TLabel::sizeAt(int) const {
  SIZE size{0, 0};
  const HDC dc = ::GetDC(handle_);
  const HGDIOBJ previous = ::SelectObject(dc, font_);
  ::GetTextExtentPoint32A(dc, caption_.c_str(), static_cast<int>(caption_.size()), &size);
  ::SelectObject(dc, previous);
  ::ReleaseDC(handle_, dc);
  return size;
}

bool TLabel::notify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_CTLCOLORSTATIC && handle_ != nullptr && reinterpret_cast<HWND>(lParam) == handle_) {
    const auto dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, Font.Color);
    ::SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(owner_.BackgroundBrush());
    return true;
  }
  return TWinControl::notify(msg, wParam, lParam, result);
}

// ---- TButton --------------------------------------------------------------

TButton::TButton(TForm& owner, const char* caption) : TWinControl(owner), caption_(caption) {}

void TButton::createHandle(HWND parent, int id) {
  handle_ = ::CreateWindowExA(0, "BUTTON", caption_.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                              0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), nullptr);
  if (handle_ == nullptr) throw std::runtime_error("A button could not be created.");
}

void TButton::controlNotify(UINT msg, WPARAM wParam) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && OnClick) OnClick();
}

// ---- TForm ----------------------------------------------------------------

TForm::~TForm() {
  destroy();
  if (brush_ != nullptr) ::DeleteObject(brush_);
}

int TForm::Scale(int pixelsAt96) const { return scaleTo(pixelsAt96, dpi_); }

void TForm::create() {
  FormParams params;
  createParams(params);
  registerFormClass(params, windowProc);
  brush_ = ::CreateSolidBrush(params.color);
  visible_ = params.visible;
  ::CreateWindowExA(params.exStyle, params.className, params.caption, params.style & ~DWORD{WS_VISIBLE}, params.left,
                    params.top, params.width, params.height, nullptr, nullptr, instance(), this);
  if (handle_ == nullptr) throw std::runtime_error("The window could not be created.");
  const UINT dpi = ::GetDpiForWindow(handle_);
  dpi_ = dpi != 0 ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI;
  for (TComponent* c : components_) c->handleCreated(dpi_);
  handleCreated();
  try {
    FormCreate();
  } catch (...) {
    Application.HandleException();
  }
}

void TForm::destroy() {
  if (handle_ != nullptr) ::DestroyWindow(handle_);
  handle_ = nullptr;
}

void TForm::Show() {
  if (handle_ == nullptr || ::IsWindowVisible(handle_)) return;
  if (!shown_) {
    shown_ = true;
    firstShowing();
  }
  closed_ = false;
  ::ShowWindow(handle_, SW_SHOW);
}

void TForm::Hide() {
  if (handle_ != nullptr) ::ShowWindow(handle_, SW_HIDE);
}

void TForm::Close() {
  try {
    FormClose();
  } catch (...) {
    Application.HandleException();
  }
  if (Application.MainForm == this) {
    Application.Terminate();
  } else {
    closed_ = true;
    Hide();
  }
}

namespace {

RECT windowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

RECT clientRect(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return r;
}

}  // namespace

int TForm::Left() const { return windowRect(handle_).left; }
int TForm::Top() const { return windowRect(handle_).top; }
int TForm::Width() const {
  const RECT r = windowRect(handle_);
  return r.right - r.left;
}
int TForm::Height() const {
  const RECT r = windowRect(handle_);
  return r.bottom - r.top;
}
int TForm::ClientWidth() const { return clientRect(handle_).right; }
int TForm::ClientHeight() const { return clientRect(handle_).bottom; }

void TForm::setBounds(int left, int top, int width, int height) {
  ::SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}
void TForm::SetLeft(int left) { setBounds(left, Top(), Width(), Height()); }
void TForm::SetTop(int top) { setBounds(Left(), top, Width(), Height()); }
void TForm::SetWidth(int width) { setBounds(Left(), Top(), width, Height()); }
void TForm::SetHeight(int height) { setBounds(Left(), Top(), Width(), height); }
void TForm::SetClientWidth(int width) { SetWidth(Width() - ClientWidth() + width); }
void TForm::SetClientHeight(int height) { SetHeight(Height() - ClientHeight() + height); }

// Gives the focus back to the control that had it, or to the first tab stop;
// false when the form has no control to focus.
bool TForm::focusControl() {
  HWND target = lastFocus_ != nullptr && ::IsChild(handle_, lastFocus_) ? lastFocus_ : firstTabStop(handle_);
  if (target == nullptr) return false;
  ::SetFocus(target);
  return true;
}

LRESULT CALLBACK TForm::windowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TForm* form = nullptr;
  if (msg == WM_NCCREATE) {
    form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    form->handle_ = window;
  } else {
    form = reinterpret_cast<TForm*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  if (form == nullptr) return ::DefWindowProcA(window, msg, wParam, lParam);
  try {
    return form->dispatch(window, msg, wParam, lParam);
  } catch (...) {
    Application.HandleException();
    return 0;
  }
}

LRESULT TForm::dispatch(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_KEYDOWN:
      FormKeyDown(static_cast<WORD>(wParam));
      return 0;
    case WM_SYSKEYDOWN:
      FormKeyDown(static_cast<WORD>(wParam));
      break;  // the system still gets Alt+F4 and the menu keys
    case WM_MOUSEMOVE:
      FormMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      FormMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_XBUTTONDOWN:
      FormMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_SIZE:
      FormResize();
      return 0;
    case WM_ERASEBKGND: {
      RECT r{};
      ::GetClientRect(window, &r);
      ::FillRect(reinterpret_cast<HDC>(wParam), &r, brush_);
      return 1;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window, focus)) lastFocus_ = focus;
      } else if (HIWORD(wParam) == 0 && focusControl()) {
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      const auto* r = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      for (TComponent* c : components_) c->dpiChanged(dpi_);
      return 0;
    }
    case WM_DESTROY:
      handleDestroying();
      for (TComponent* c : components_) c->handleDestroying();
      if (Application.MainForm == this) Application.Terminate();
      break;
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      handle_ = nullptr;
      lastFocus_ = nullptr;
      return ::DefWindowProcA(window, msg, wParam, lParam);
    default:
      break;
  }
  for (TComponent* c : components_)
    if (c->notify(msg, wParam, lParam, result)) return result;
  if (handleMessage(msg, wParam, lParam, result)) return result;
  return ::DefWindowProcA(window, msg, wParam, lParam);
}
