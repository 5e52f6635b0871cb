// The headless backend: everything in memory. Prompts and message boxes take
// scripted answers (tests) or, in terminal mode, ask on standard input and
// output (the console runner). Errors go to standard error and are recorded.
#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

class HeadlessBackend : public Backend {
 public:
  struct Prompt {
    std::string title, label, initial;
  };
  struct Box {
    std::string caption, text;
    MessageIcon icon;
  };

  HeadlessBackend();
  ~HeadlessBackend() override;

  // Answers for the next prompts, in order: a text is OK with that text,
  // nullopt is Cancel. With none left: terminal mode asks, otherwise Cancel.
  std::deque<std::optional<std::string>> promptAnswers;
  // Ask on the terminal when no scripted answer is left.
  bool terminal = false;
  // Called when a message box is shown, before it is answered: the user's
  // time in front of the box. It may call Application::ServeWhileModal() to
  // let the window handle what arrives meanwhile, as an open box does.
  std::function<void(const Box&)> onMessageBox;
  // Answers for the next Yes/No questions, in order; with none left, Yes.
  std::deque<bool> questionAnswers;

  // Where terminal mode asks and answers are read, and where errors go.
  std::istream* input;
  std::ostream* output;
  std::ostream* errorOutput;

  std::vector<Prompt> prompts;
  std::vector<Box> boxes;
  std::vector<Box> questions;
  std::vector<std::string> errors;
  std::string clipboard;
  bool shown = false;

  void Show(TForm& form) override;
  void PumpEvents() override {}
  void WaitForEvents(int maxMs) override;
  void Wake() override;
  void CloseWindow(TForm& form) override;
  bool InputQuery(const std::string& title, const std::string& label,
                  std::string& value) override;
  void MessageBox(const std::string& caption, const std::string& text,
                  MessageIcon icon) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  // Asked like a prompt (the same scripted answers), labelled "File name".
  bool SaveFileName(const std::string& title, std::string& path) override;
  void ShowError(const std::string& message) override;
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  std::string ClipboardText() override { return clipboard; }

 private:
  struct Waiter;
  std::unique_ptr<Waiter> waiter_;
  TForm* shownForm_ = nullptr;
};

}  // namespace toolkit
