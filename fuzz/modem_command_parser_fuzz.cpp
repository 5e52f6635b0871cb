// The simulated modem's command parser on any command line, with the
// capabilities taken from the first byte. It must neither crash nor hang,
// and give the same answer twice.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sim/CommandParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  sim::Capabilities caps;
  caps.acceptsQ = data[0] & 1;
  caps.acceptsK = data[0] & 2;
  caps.acceptsHR = data[0] & 4;
  caps.acceptsD0 = data[0] & 8;
  const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
  if (sim::ParseAtCommands(body, caps) != sim::ParseAtCommands(body, caps)) std::abort();
  return 0;
}
