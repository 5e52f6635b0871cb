// The windowing facilities the application relies on, as a small facade.
//
// The classes here are the model: they hold every caption, check mark, line
// of text and timer setting, and they are what the application and the tests
// talk to. A Backend renders them (Qt: a real window) or keeps them in memory
// (headless: tests and the console runner) and supplies prompts, message
// boxes, the clipboard and the error box.
//
// Message processing (Application::ProcessMessages) is the only place where
// synchronised calls from worker threads, timer ticks and posted requests are
// handled, in this order: window-system events, synchronised calls, due timer
// ticks, the interrupt, posted requests. In virtual time it first lets the
// worker threads settle (platform/threads.h), so what it handles is
// deterministic. An open modal prompt or box keeps handling synchronised
// calls and timer ticks (Application::ServeWhileModal).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/rtl.h"

namespace toolkit {

using rtl::TObject;
using TNotifyEvent = std::function<void(TObject* sender)>;

// Shortcut encoding: key code in the low byte, plus these modifier bits.
constexpr std::uint16_t scShift = 0x2000;
constexpr std::uint16_t scCtrl = 0x4000;
constexpr std::uint16_t scAlt = 0x8000;

// The shortcut as text, modifiers first ("Ctrl+T", "Alt+X", "Shift+F5"); empty
// for no shortcut or a key without a name here.
std::string ShortCutToText(std::uint16_t shortCut);

// One item of a menu bar or menu. A caption of "-" is a separator line; "&"
// marks the accelerator letter ("&&" is a literal "&").
class TMenuItem : public rtl::TComponent {
 public:
  TMenuItem(std::string name, std::string caption);
  const char* ClassName() const override { return "TMenuItem"; }

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  std::uint16_t ShortCut() const { return shortCut_; }
  void SetShortCut(std::uint16_t shortCut);
  // The status tip shown while the pointer is on the item (UTF-8).
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);
  bool IsLine() const { return caption_ == "-"; }

  // Adds a child at the end and returns it.
  TMenuItem& Add(std::unique_ptr<TMenuItem> child);
  std::size_t Count() const { return children_.size(); }
  TMenuItem& Items(std::size_t index) const { return *children_.at(index); }
  TMenuItem* Parent() const { return parent_; }
  // Depth-first search of this item and everything below it; null when absent.
  TMenuItem* Find(std::string_view name);

  // What the user's choice of this item does: OnClick(this) when enabled.
  void Click();

  TNotifyEvent OnClick;
  // An item with children: its menu is about to open.
  TNotifyEvent OnPopup;
  // Set by a backend that shows the item; called after every change above.
  std::function<void(TMenuItem&)> OnChanged;

 private:
  void Changed();

  std::string name_;
  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  std::uint16_t shortCut_ = 0;
  std::string hint_;
  TMenuItem* parent_ = nullptr;
  std::vector<std::unique_ptr<TMenuItem>> children_;
};

// The menu bar: its items are the bar's entries.
class TMainMenu : public TMenuItem {
 public:
  explicit TMainMenu(std::string name) : TMenuItem(std::move(name), "") {}
  const char* ClassName() const override { return "TMainMenu"; }
};

// A multi-line text control. Append adds one line at the end; a text holding
// line breaks (CR LF, or a lone CR or LF) becomes several lines.
class TMemo : public rtl::TComponent {
 public:
  explicit TMemo(std::string name) : rtl::TComponent(nullptr), name_(std::move(name)) {}
  const char* ClassName() const override { return "TMemo"; }
  const std::string& Name() const { return name_; }

  void Append(std::string_view text);
  void Clear();
  // Select the whole text, then copy the selection to the clipboard.
  void SelectAll();
  void CopyToClipboard();

  const std::vector<std::string>& Lines() const { return lines_; }
  // The lines joined with "\n" (no line break after the last one).
  std::string Text() const;
  std::string SelectedText() const;

  // Set by a backend or the console runner: called with each added line, and
  // on Clear.
  std::function<void(const std::string& line)> OnLineAdded;
  std::function<void()> OnCleared;

  // How a backend shows the control. Read-only still lets the user select
  // and copy; a fixed-pitch font keeps the columns of a log aligned.
  bool ReadOnly = false;
  bool Monospace = false;
  // The size the window opens at, in characters of the control's font; 0
  // keeps the form's own size.
  int VisibleColumns = 0;
  int VisibleLines = 0;
  // Items shown in the control's context menu after its own Copy and
  // Select All; null for none.
  TMenuItem* PopupMenu = nullptr;

 private:
  std::string name_;
  std::vector<std::string> lines_;
  bool allSelected_ = false;
};

// A repeating timer. Ticks are delivered only during message processing; a
// tick that falls due several times before it is delivered is delivered once.
class TTimer : public rtl::TComponent {
 public:
  explicit TTimer(std::string name);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }
  const std::string& Name() const { return name_; }

  std::uint32_t Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  // A change of interval or of the enabled state restarts the countdown.
  void SetInterval(std::uint32_t ms);
  void SetEnabled(bool enabled);
  // Sets the interval, enables the timer and restarts the countdown from
  // this moment, also when nothing changed.
  void Arm(std::uint32_t ms);

  TNotifyEvent OnTimer;

  // Used by message processing: delivers a tick when one is due.
  void DeliverIfDue(platform::clock::Millis now);
  // When the next tick falls due (meaningful while enabled).
  platform::clock::Millis DueAt() const { return due_; }

 private:
  void Restart();

  std::string name_;
  std::uint32_t interval_ = 1000;
  bool enabled_ = false;
  platform::clock::Millis due_ = 0;
};

// A lamp of the status bar: grey when what it shows is not known.
enum class LampState { Grey, Off, On };
struct TLamp {
  std::string name;
  LampState state = LampState::Grey;
  bool operator==(const TLamp&) const = default;
};

// The serial line as the status bar shows it.
struct TLineState {
  std::string port;   // which port, and the device behind it
  std::string speed;  // e.g. "19200 baud"
  std::vector<TLamp> lamps;
  bool operator==(const TLineState&) const = default;
};

// A progress bar: `position` of `maximum` steps and a text on it; hidden
// while `maximum` is 0.
struct TProgress {
  int position = 0;
  int maximum = 0;
  std::string text;
  bool operator==(const TProgress&) const = default;
};

// The status bar at the bottom of the window: a text and, while its clock
// runs, the real time elapsed since StartClock; a progress bar; the serial
// line. It is never part of the log. Headless, it is only kept in memory.
// Its texts are UTF-8 (they are the program's own, never the modem's).
class TStatusBar {
 public:
  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  bool ClockRunning() const { return clockRunning_; }
  // (Re)starts the clock from zero.
  void StartClock();
  void StopClock();
  // Whole seconds of real time since StartClock (up to StopClock).
  std::int64_t ElapsedSeconds() const;
  // "m:ss", or "h:mm:ss" from an hour on.
  static std::string FormatElapsed(std::int64_t seconds);
  const TProgress& Progress() const { return progress_; }
  void SetProgress(TProgress progress);
  const TLineState& Line() const { return line_; }
  void SetLine(TLineState line);
  // Set by a backend that shows it; called after every change.
  std::function<void()> OnChanged;
  // Called after a change of the line state only (the console runner).
  std::function<void()> OnLineChanged;

 private:
  void Changed();

  std::string text_;
  bool clockRunning_ = false;
  std::chrono::steady_clock::time_point started_{}, stopped_{};
  TProgress progress_;
  TLineState line_;
};

// What a finished run found, at a glance: a few sentences, texts the user
// may want to copy (each with its own Copy button), and a table of checks.
// Expected: the check did not pass, as the test expects of most modems; no
// fault, so not shown as one.
struct TResults {
  enum class Outcome { NotRun, Pass, Fail, Expected };
  struct Field {
    std::string label, value;
    bool operator==(const Field&) const = default;
  };
  struct Row {
    std::string check;
    Outcome outcome = Outcome::NotRun;
    bool operator==(const Row&) const = default;
  };
  std::string title;
  std::vector<std::string> lines;
  std::vector<Field> fields;
  std::vector<Row> rows;
  bool operator==(const TResults&) const = default;
};

// A pane beside the log that shows TResults until the user closes it. Its
// texts are UTF-8.
class TResultPane {
 public:
  bool Visible() const { return visible_; }
  const TResults& Content() const { return content_; }
  void Show(TResults content);
  void Close();
  // Set by a backend that shows it; called after every change.
  std::function<void()> OnChanged;

 private:
  bool visible_ = false;
  TResults content_;
};

// The main window's frame: caption, placement, menu bar and the control that
// fills its client area.
class TForm : public rtl::TComponent {
 public:
  explicit TForm(std::string name) : rtl::TComponent(nullptr), name_(std::move(name)) {}
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }
  const std::string& Name() const { return name_; }

  std::string Caption;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  TMainMenu* Menu = nullptr;
  TMemo* ClientMemo = nullptr;
  TStatusBar Status;
  TResultPane Results;

  // The user closes the window (system menu, close button, window manager).
  std::function<void()> OnCloseRequest;
  // What a backend calls when the user closes the window: OnCloseRequest, or
  // else the quit request; an error goes to the top-level handler.
  void CloseRequested();

 private:
  std::string name_;
};

enum class MessageIcon { None, Warning };

// What a backend supplies. All calls but Wake come from the user-interface
// thread.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual void Show(TForm& form) = 0;
  // Handles pending window-system events without waiting.
  virtual void PumpEvents() = 0;
  // Idles (real time) until woken or maxMs passed; used by the main loop.
  virtual void WaitForEvents(int maxMs) = 0;
  // Any thread: makes WaitForEvents return.
  virtual void Wake() = 0;
  // Takes down the window showing form, if there is one. Run calls it before
  // it returns, and a form calls it when it goes.
  virtual void CloseWindow(TForm& form) = 0;
  // The modal text prompt: true for OK (value holds the edited text), false
  // for Cancel or closing (value unchanged). At most 255 characters.
  virtual bool InputQuery(const std::string& title, const std::string& label,
                          std::string& value) = 0;
  virtual void MessageBox(const std::string& caption, const std::string& text,
                          MessageIcon icon) = 0;
  // A modal question with Yes and No: true for Yes.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  // The modal file chooser for saving: true with path set to the chosen file
  // (path holds the suggested name on entry), false for Cancel.
  virtual bool SaveFileName(const std::string& title, std::string& path) = 0;
  // The top-level error box for an exception no one caught.
  virtual void ShowError(const std::string& message) = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual std::string ClipboardText() = 0;
};

class Application {
 public:
  static Application& Instance();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Installs the backend (the headless one is used until then).
  void SetBackend(std::unique_ptr<Backend> backend);
  Backend& GetBackend();

  // Handles what is pending, in the order above. The requests run are those
  // queued when their turn comes; requests they post wait for the next call.
  // An exception from a handler ends the call and reaches the caller; the
  // requests not yet run stay queued.
  void ProcessMessages();
  // Queues the quit request.
  void Terminate();
  // True once the quit request has been taken from the queue.
  bool Terminated() const { return terminated_; }
  // Shows the form and runs the main loop until terminated, showing errors
  // that escape message processing through HandleException; then closes the
  // window.
  void Run(TForm& mainForm);
  // The top-level handler: shows the message of the exception.
  void HandleException(std::exception_ptr error);
  // What a modal prompt or box keeps doing while it is open: synchronised
  // calls and due timer ticks (posted requests wait for ProcessMessages).
  // Exceptions go to HandleException.
  void ServeWhileModal();

  // Sleeps ms on the program's clock, as a wait's pass does between two
  // rounds of message processing. In real time it ends early once work for
  // message processing arrives (a synchronised call, a posted request), so a
  // reply is handed over at once rather than after the rest of the pass;
  // in virtual time it is exactly a Sleep.
  void Doze(std::uint32_t ms);

  // Queues a request handled during message processing (thread-safe).
  void Post(std::function<void()> request);
  // Offered each worker thread's unhandled exception first, on that thread;
  // one it takes (returns true) is not shown, and message processing is woken.
  void SetWorkerExceptionFilter(std::function<bool(std::exception_ptr)> filter);

  // Async-signal-safe: OnInterrupt runs at the next message processing.
  void PostInterrupt() { interrupt_.store(true); }
  std::function<void()> OnInterrupt;

  // Timers register themselves for delivery.
  void AddTimer(TTimer* timer);
  void RemoveTimer(TTimer* timer);

  // Back to the start state (tests): no pending requests, not terminated, no
  // interrupt, and the toolkit's hooks into platform/threads installed again.
  void Reset();

 private:
  Application();
  void InstallPlatformHooks();
  void WakeBackend();
  void RunSynchronizedCalls();
  void DeliverDueTicks();
  void RunPostedRequests();
  int MillisToNextTick() const;

  struct Queue;
  std::unique_ptr<Backend> backend_;
  std::unique_ptr<Queue> queue_;
  std::function<bool(std::exception_ptr)> workerFilter_;  // under queue_'s mutex
  std::vector<TTimer*> timers_;
  bool terminated_ = false;
  std::atomic<bool> interrupt_{false};
};

// Shorthands for the application's prompts, boxes and clipboard.
bool InputQuery(const std::string& title, const std::string& label, std::string& value);
void ShowMessageBox(const std::string& caption, const std::string& text, MessageIcon icon);
// The top-level error box, for an error a command reports itself.
void ShowError(const std::string& text);
bool AskYesNo(const std::string& caption, const std::string& text);
bool SaveFileName(const std::string& title, std::string& path);
void SetClipboardText(const std::string& text);
std::string ClipboardText();

}  // namespace toolkit
