// The console runner's command line: the input is the arguments, separated
// by NUL bytes. Either a command line or a reason, never both, never a crash.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  const console::ParseResult result = console::ParseCommandLine(args);
  if (result.commandLine.has_value() == !result.error.empty()) std::abort();
  return 0;
}
