#include "platform/toolkit/qt/qt_backend.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include "platform/toolkit/qt/main_window.h"
#include "platform/toolkit/qt/qt_text.h"

namespace toolkit {

namespace {

constexpr int kMaxPromptLength = 255;
// How often an open modal dialog looks for synchronised calls and timer ticks
// besides being woken.
constexpr int kModalServiceMs = 10;

// While a modal dialog of ours is open, the window keeps handling what the
// application gets meanwhile (the port's events, timer ticks), as behind any
// modal box; posted requests wait for the main loop.
class ModalScope {
 public:
  explicit ModalScope(int& depth) : depth_(depth) {
    ++depth_;
    QObject::connect(&service_, &QTimer::timeout,
                     [] { Application::Instance().ServeWhileModal(); });
    service_.start(kModalServiceMs);
  }
  ~ModalScope() { --depth_; }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  int& depth_;
  QTimer service_;
};

// Receives the wake-ups posted from any thread.
class Waker : public QObject {
 public:
  static constexpr QEvent::Type kWake = QEvent::User;
  explicit Waker(const int& modalDepth) : modalDepth_(modalDepth) {}

  bool event(QEvent* event) override {
    if (event->type() != kWake) return QObject::event(event);
    // Outside a modal dialog the main loop or a wait does the work.
    if (modalDepth_ > 0) Application::Instance().ServeWhileModal();
    return true;
  }

 private:
  const int& modalDepth_;
};

class QtBackend final : public Backend {
 public:
  QtBackend(int& argc, char** argv) {
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc, argv);
    waker_ = std::make_unique<Waker>(modalDepth_);
  }

  void Show(TForm& form) override {
    window_ = std::make_unique<MainWindow>(form);
    window_->show();
    // There may be no window manager to do this (a bare X server).
    window_->raise();
    window_->activateWindow();
  }

  void PumpEvents() override { QCoreApplication::processEvents(); }

  void WaitForEvents(int maxMs) override {
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(maxMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }

  void Wake() override {
    QCoreApplication::postEvent(waker_.get(), new QEvent(Waker::kWake));
  }

  void CloseWindow(TForm& form) override {
    if (window_ && &window_->Form() == &form) window_.reset();
  }

  bool InputQuery(const std::string& title, const std::string& label,
                  std::string& value) override {
    QInputDialog dialog(window_.get());
    dialog.setWindowTitle(ToQString(title));
    dialog.setLabelText(ToQString(label));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(ToQString(value));
    if (auto* edit = dialog.findChild<QLineEdit*>()) {
      edit->setMaxLength(kMaxPromptLength);
      edit->selectAll();
    }
    ModalScope modal(modalDepth_);
    if (dialog.exec() != QDialog::Accepted) return false;
    value = FromQString(dialog.textValue().left(kMaxPromptLength));
    return true;
  }

  void MessageBox(const std::string& caption, const std::string& text,
                  MessageIcon icon) override {
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    ToQString(caption), ToQString(text), QMessageBox::Ok, window_.get());
    ModalScope modal(modalDepth_);
    box.exec();
  }

  bool AskYesNo(const std::string& caption, const std::string& text) override {
    QMessageBox box(QMessageBox::Question, ToQString(caption), ToQString(text),
                    QMessageBox::Yes | QMessageBox::No, window_.get());
    box.setDefaultButton(QMessageBox::No);
    ModalScope modal(modalDepth_);
    return box.exec() == QMessageBox::Yes;
  }

  bool SaveFileName(const std::string& title, std::string& path) override {
    // Qt's own dialog: the same on every desktop, and answerable in tests.
    QFileDialog dialog(window_.get(), ToQString(title), QFile::decodeName(path.c_str()));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    ModalScope modal(modalDepth_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = QFile::encodeName(dialog.selectedFiles().front()).toStdString();
    return true;
  }

  void ShowError(const std::string& message) override {
    const QString title = window_ ? window_->windowTitle() : QStringLiteral("Error");
    QMessageBox box(QMessageBox::Critical, title, ToQString(message), QMessageBox::Ok,
                    window_.get());
    ModalScope modal(modalDepth_);
    box.exec();
  }

  void SetClipboardText(const std::string& text) override {
    QGuiApplication::clipboard()->setText(ToQString(text));
  }

  std::string ClipboardText() override {
    return FromQString(QGuiApplication::clipboard()->text());
  }

 private:
  // Declared first so that it goes last.
  std::unique_ptr<QApplication> app_;
  int modalDepth_ = 0;
  std::unique_ptr<Waker> waker_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace

std::unique_ptr<Backend> MakeQtBackend(int& argc, char** argv) {
  return std::make_unique<QtBackend>(argc, argv);
}

}  // namespace toolkit
