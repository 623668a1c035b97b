// The thin forms layer: an application object (title, main form, message
// loop, exception box), a form base class that turns window messages into the
// Form* handlers, and wrappers over a window timer and the common controls the
// two forms use. Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TForm;

class TApplication {
 public:
  std::string Title;           // caption of the exception box
  TForm* MainForm = nullptr;   // the first form whose creation completed
  bool Terminated = false;     // set by Terminate; the loop then ends
  // Shows the text of an error raised inside an event handler; the program
  // goes on. Empty: a message box with the text. Tests put their own here.
  std::function<void(const std::string& text)> OnException;

  // Registers the common control classes (trackbar, buttons, labels).
  void Initialize();

  // Makes a form of type T, sets reference to it before its window and its
  // FormCreate exist, and creates it. A Visible form is shown once its
  // creation is complete; the first form completed becomes the main form.
  template <class T>
  void CreateForm(T*& reference) {
    auto owned = std::make_unique<T>();
    T* form = owned.get();
    reference = form;
    forms_.push_back(std::move(owned));
    createForm(*form);
  }

  // Shows the main form and processes messages until Terminate. Returns at
  // once when there is no main form or Terminate came first.
  void Run();
  // Ends the message loop (posts the quit message once).
  void Terminate();
  // Dispatches one waiting message; false when the queue was empty.
  bool ProcessMessage();
  // Dispatches every waiting message.
  void ProcessMessages();
  // Inside a catch block: reports the exception being handled.
  void HandleException();
  void ShowException(const std::string& text);
  // Destroys every form, newest first, and forgets the main form; a pending
  // quit message is dropped, so the application can start over (tests).
  void DestroyForms();

 private:
  void createForm(TForm& form);
  bool isDialogKey(const MSG& msg);
  std::vector<std::unique_ptr<TForm>> forms_;
};
extern TApplication Application;

// A font as the forms describe it, at 96 DPI.
struct TFont {
  const char* Name = "MS Sans Serif";
  int Height = 13;  // character height in pixels at 96 DPI
  bool Bold = false;
  COLORREF Color = RGB(0, 0, 0);
};

// Anything a form owns that takes part in its messages.
class TComponent {
 public:
  explicit TComponent(TForm& owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

 protected:
  friend class TForm;
  // The owner's window now exists (dpi: its DPI) or is about to go.
  virtual void handleCreated(int dpi) { (void)dpi; }
  virtual void handleDestroying() {}
  // The owner's DPI changed; re-create fonts and sizes.
  virtual void dpiChanged(int dpi) { (void)dpi; }
  // A message the owner received; true when it was this component's.
  virtual bool notify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)msg, (void)wParam, (void)lParam, (void)result;
    return false;
  }
  TForm& owner_;
};

// A periodic window timer on its owner's window.
class TTimer final : public TComponent {
 public:
  TTimer(TForm& owner, UINT intervalMs);
  ~TTimer() override;
  std::function<void()> OnTimer;
  UINT Interval() const { return interval_; }
  UINT_PTR Id() const { return id_; }  // the WM_TIMER id on the owner's window
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

 private:
  void handleCreated(int dpi) override;
  void handleDestroying() override;
  bool notify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void start();
  void stop();
  UINT interval_;
  bool enabled_ = true;
  bool running_ = false;
  UINT_PTR id_;
};

// A child window control. Bounds are given at 96 DPI and scaled to the
// owner's DPI.
class TWinControl : public TComponent {
 public:
  explicit TWinControl(TForm& owner) : TComponent(owner) {}
  ~TWinControl() override;
  int Left = 0, Top = 0, Width = 0, Height = 0;  // pixels at 96 DPI
  bool HandCursor = false;                        // hand pointer over it
  TFont Font;
  HWND Handle() const { return handle_; }

 protected:
  virtual void createHandle(HWND parent, int id) = 0;
  // Settings that depend on the DPI, made before the bounds are applied.
  virtual void layout(int dpi) { (void)dpi; }
  // The size at a DPI: the 96-DPI size scaled, unless the control sizes itself.
  virtual SIZE sizeAt(int dpi) const;
  bool notify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // A notification (WM_COMMAND, WM_HSCROLL) that this control sent.
  virtual void controlNotify(UINT msg, WPARAM wParam) { (void)msg, (void)wParam; }
  HWND handle_ = nullptr;
  HFONT font_ = nullptr;

 private:
  void handleCreated(int dpi) override;
  void handleDestroying() override;
  void dpiChanged(int dpi) override;
  void applyFontAndBounds(int dpi);
};

// A horizontal trackbar with ticks below the track, one per unit.
class TTrackBar final : public TWinControl {
 public:
  TTrackBar(TForm& owner, int min, int max);
  int ThumbLength = 10;  // pixels at 96 DPI
  std::function<void()> OnChange;
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  // Clamps to Min..Max; runs OnChange when the shown position changes.
  void SetPosition(int value);

 private:
  void createHandle(HWND parent, int id) override;
  void layout(int dpi) override;
  void controlNotify(UINT msg, WPARAM wParam) override;
  int min_, max_, position_;
};

// A static text that sizes itself to its text, in Font.Color on the form's
// background.
class TLabel final : public TWinControl {
 public:
  TLabel(TForm& owner, const char* caption);
  const std::string& Caption() const { return caption_; }

 private:
  void createHandle(HWND parent, int id) override;
  SIZE sizeAt(int dpi) const override;
  bool notify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  std::string caption_;
};

// A push button; never the default or cancel button.
class TButton final : public TWinControl {
 public:
  TButton(TForm& owner, const char* caption);
  std::function<void()> OnClick;

 private:
  void createHandle(HWND parent, int id) override;
  void controlNotify(UINT msg, WPARAM wParam) override;
  std::string caption_;
};

// What a form's window is made of.
struct FormParams {
  const char* className = "TForm";  // registered once per name
  const char* caption = "";
  DWORD style = WS_OVERLAPPEDWINDOW;
  DWORD exStyle = 0;
  UINT classStyle = 0;
  int left = 0, top = 0, width = 0, height = 0;  // design bounds, pixels
  COLORREF color = RGB(240, 240, 240);            // background
  bool icon = false;                              // carries the program icon
  bool visible = true;                            // shown when created
};

// A top-level window whose messages reach the named handlers. Handlers run
// on the main thread; an exception from one is handed to the application and
// never crosses the window procedure.
class TForm {
 public:
  TForm() = default;
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  HWND Handle() const { return handle_; }
  int Dpi() const { return dpi_; }
  // pixelsAt96 scaled to the form's DPI.
  int Scale(int pixelsAt96) const;
  HBRUSH BackgroundBrush() const { return brush_; }

  void Show();
  void Hide();
  // Runs FormClose; the main form then ends the application, any other form
  // hides.
  void Close();
  bool Closed() const { return closed_; }

  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  int ClientWidth() const;
  int ClientHeight() const;
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);
  void SetClientWidth(int width);
  void SetClientHeight(int height);

 protected:
  virtual void createParams(FormParams& params) = 0;
  // The window and its components exist; FormCreate follows.
  virtual void handleCreated() {}
  // Right before the window is shown for the first time.
  virtual void firstShowing() {}
  // The window is being destroyed (WM_DESTROY).
  virtual void handleDestroying() {}
  virtual void FormCreate() {}
  virtual void FormClose() {}
  virtual void FormKeyDown(WORD key) { (void)key; }
  virtual void FormMouseMove(int x, int y) { (void)x, (void)y; }
  virtual void FormMouseDown(int x, int y) { (void)x, (void)y; }
  virtual void FormResize() {}
  // Any other message; true when handled, with its result.
  virtual bool handleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)msg, (void)wParam, (void)lParam, (void)result;
    return false;
  }
  // Destroys the window; every form's destructor calls it first, while the
  // form's handlers and components still exist.
  void destroy();

 private:
  friend class TApplication;
  friend class TComponent;
  void create();
  static LRESULT CALLBACK windowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT dispatch(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  void setBounds(int left, int top, int width, int height);
  bool focusControl();

  std::vector<TComponent*> components_;
  HWND handle_ = nullptr;
  HBRUSH brush_ = nullptr;
  HWND lastFocus_ = nullptr;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  bool visible_ = true;
  bool shown_ = false;
  bool closed_ = false;
};
