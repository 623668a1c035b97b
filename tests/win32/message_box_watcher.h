// Watches this process for message boxes while it lives: records each box's
// caption and text, then dismisses it with its first button, so code that
// shows a modal box can be tested without a person.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class MessageBoxWatcher {
 public:
  struct Box {
    std::string caption;
    std::string text;
    UINT buttons;  // number of push buttons
  };

  MessageBoxWatcher() : thread_([this] { watch(); }) {}
  ~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
  }
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  std::vector<Box> boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  static BOOL CALLBACK countButton(HWND child, LPARAM count) {
    char cls[32] = {};
    ::GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") == 0) ++*reinterpret_cast<UINT*>(count);
    return TRUE;
  }
  static BOOL CALLBACK visit(HWND window, LPARAM self) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    char cls[32] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (pid == ::GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0 && ::IsWindowVisible(window))
      reinterpret_cast<MessageBoxWatcher*>(self)->dismiss(window);
    return TRUE;
  }
  void dismiss(HWND box) {
    char caption[256] = {}, text[1024] = {};
    ::GetWindowTextA(box, caption, sizeof caption);
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message's static control
    UINT buttons = 0;
    ::EnumChildWindows(box, countButton, reinterpret_cast<LPARAM>(&buttons));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      boxes_.push_back(Box{caption, text, buttons});
    }
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    // Wait until it is gone, so one box is never counted twice.
    for (int i = 0; i < 500 && ::IsWindow(box) && ::IsWindowVisible(box); ++i) ::Sleep(2);
  }
  void watch() {
    while (!stop_) {
      ::EnumWindows(visit, reinterpret_cast<LPARAM>(this));
      ::Sleep(5);
    }
  }

  mutable std::mutex mutex_;
  std::vector<Box> boxes_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
