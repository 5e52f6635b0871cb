#include "platform/toolkit/modal_line_reader.h"

#include <iostream>

#include "platform/interrupt.h"
#include "platform/toolkit/toolkit.h"

namespace toolkit {

std::optional<std::string> ReadLineWhileModal(std::istream& in) {
  auto serve = [] { Application::Instance().ServeWhileModal(); };
  // Standard input is read directly, so that Ctrl+C can end the wait.
  if (&in == &std::cin) return platform::interrupt::ReadStandardInputLine(serve);
  // Any other stream holds its answers already and never blocks.
  serve();
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace toolkit
