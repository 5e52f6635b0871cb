#include "platform/toolkit/toolkit.h"

namespace toolkit {

// The window refers to the form; it must not outlive it.
TForm::~TForm() { Application::Instance().GetBackend().CloseWindow(*this); }

}  // namespace toolkit
