// Text helpers of the application.
#pragma once

#include <cstdint>
#include <string>

namespace Strings {

std::string IntToText(std::int32_t value);
std::string ByteToText(std::uint8_t value);
// Decimal with optional sign, or hexadecimal after "$", "x", "X", "0x", "0X";
// leading blanks skipped; anything else, or out of 32-bit range, gives 0.
std::uint8_t TextToByte(const std::string& text);
// The text without its characters below 32.
std::string PrintableText(const std::string& text);
std::string BoolToText(bool value);

}  // namespace Strings
