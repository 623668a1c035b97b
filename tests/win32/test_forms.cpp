// The forms layer with a small form of its own: handler errors, the main form
// rule, closing, the timer.
#include <stdexcept>

#include "form_fixture.h"

namespace {

class ProbeForm : public TForm {
 public:
  static inline std::function<void(ProbeForm&)> onCreate;
  TTimer Ticking{*this, 10};
  TTimer Stopped{*this, 10};
  int ticks = 0, stoppedTicks = 0, keys = 0, closes = 0;
  bool throwOnKey = false;

  ProbeForm() {
    Ticking.OnTimer = [this] { ++ticks; };
    Stopped.OnTimer = [this] { ++stoppedTicks; };
    Stopped.SetEnabled(false);
  }
  ~ProbeForm() override { destroy(); }

 protected:
  void createParams(FormParams& params) override {
    params.className = "ProbeForm";
    params.caption = "Probe";
    params.style = WS_POPUP;
    params.width = 120;
    params.height = 80;
  }
  void FormCreate() override {
    if (onCreate) onCreate(*this);
  }
  void FormKeyDown(WORD) override {
    ++keys;
    if (throwOnKey) throw std::runtime_error("Key handler failed");
  }
  void FormClose() override { ++closes; }
};

class Forms : public FormTest {
 protected:
  void TearDown() override {
    ProbeForm::onCreate = nullptr;
    FormTest::TearDown();
  }
};

TEST_F(Forms, HandlerErrorsGoToTheApplicationAndNeverToTheCaller) {
  ProbeForm* form = nullptr;
  Application.CreateForm(form);
  form->throwOnKey = true;
  ::SendMessageA(form->Handle(), WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(errors, (std::vector<std::string>{"Key handler failed"}));
  // The window goes on taking messages.
  form->throwOnKey = false;
  ::SendMessageA(form->Handle(), WM_KEYDOWN, 'B', 0);
  EXPECT_EQ(form->keys, 2);
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(Forms, CreationErrorIsReportedAndTheFormStaysUpAsMainForm) {
  ProbeForm::onCreate = [](ProbeForm&) { throw std::runtime_error("Creation failed"); };
  ProbeForm* form = nullptr;
  Application.CreateForm(form);
  EXPECT_EQ(errors, (std::vector<std::string>{"Creation failed"}));
  ASSERT_NE(form->Handle(), nullptr);
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  EXPECT_EQ(Application.MainForm, form);
}

TEST_F(Forms, WithoutAHandlerTheErrorTextIsShownInABoxTitledAfterTheApplication) {
  Application.OnException = nullptr;
  MessageBoxWatcher watcher;
  ProbeForm* form = nullptr;
  Application.CreateForm(form);
  form->throwOnKey = true;
  ::SendMessageA(form->Handle(), WM_KEYDOWN, 'A', 0);  // returns once the box is dismissed
  ASSERT_TRUE(watcher.waitForBoxes(1));
  EXPECT_EQ(watcher.boxes().at(0).caption, "Flindra");
  EXPECT_EQ(watcher.boxes().at(0).text, "Key handler failed");
  EXPECT_FALSE(Application.Terminated);
}

TEST_F(Forms, TheFirstFormToCompleteIsTheMainFormAndClosingItEnds) {
  ProbeForm* inner = nullptr;
  ProbeForm::onCreate = [&inner](ProbeForm& outer) {
    ProbeForm::onCreate = nullptr;
    Application.CreateForm(inner);
    EXPECT_EQ(Application.MainForm, inner);
    (void)outer;
  };
  ProbeForm* outer = nullptr;
  Application.CreateForm(outer);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(Application.MainForm, inner);

  // Closing another form hides it; closing the main form ends the loop.
  ::PostMessageA(outer->Handle(), WM_CLOSE, 0, 0);
  Application.ProcessMessages();
  EXPECT_EQ(outer->closes, 1);
  EXPECT_FALSE(::IsWindowVisible(outer->Handle()));
  EXPECT_FALSE(Application.Terminated);
  ::PostMessageA(inner->Handle(), WM_CLOSE, 0, 0);
  Application.Run();  // returns once the close has ended the application
  EXPECT_EQ(inner->closes, 1);
  EXPECT_TRUE(Application.Terminated);
}

TEST_F(Forms, RunReturnsAtOnceWithoutAMainForm) {
  Application.Run();
  EXPECT_EQ(Application.MainForm, nullptr);
}

TEST_F(Forms, TimerTicksThroughTheWindowOnlyWhileEnabled) {
  ProbeForm* form = nullptr;
  Application.CreateForm(form);
  EXPECT_TRUE(pumpUntil([&] { return form->ticks >= 3; }));
  EXPECT_EQ(form->stoppedTicks, 0);
  form->Ticking.SetEnabled(false);
  form->Stopped.SetEnabled(true);
  const int ticksWhenStopped = form->ticks;
  EXPECT_TRUE(pumpUntil([&] { return form->stoppedTicks >= 3; }));
  EXPECT_EQ(form->ticks, ticksWhenStopped);
}

}  // namespace
