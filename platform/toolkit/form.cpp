#include "platform/toolkit/toolkit.h"

namespace toolkit {

// The window refers to the form; it must not outlive it.
TForm::~TForm() { Application::Instance().GetBackend().CloseWindow(*this); }

void TForm::CloseRequested() {
  try {
    if (OnCloseRequest) {
      OnCloseRequest();
    } else {
      Application::Instance().Terminate();
    }
  } catch (...) {
    Application::Instance().HandleException(std::current_exception());
  }
}

}  // namespace toolkit
