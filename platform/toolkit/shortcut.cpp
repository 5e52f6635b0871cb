#include <string>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

namespace {

// Names of the key codes a menu shortcut may use besides letters, digits and
// function keys.
std::string KeyName(unsigned key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
  if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x70 + 1);
  switch (key) {
    case 0x08: return "Backspace";
    case 0x09: return "Tab";
    case 0x0D: return "Return";
    case 0x1B: return "Esc";
    case 0x20: return "Space";
    case 0x21: return "PgUp";
    case 0x22: return "PgDown";
    case 0x23: return "End";
    case 0x24: return "Home";
    case 0x25: return "Left";
    case 0x26: return "Up";
    case 0x27: return "Right";
    case 0x28: return "Down";
    case 0x2D: return "Ins";
    case 0x2E: return "Del";
    default: return "";
  }
}

}  // namespace

std::string ShortCutToText(std::uint16_t shortCut) {
  std::string key = KeyName(shortCut & 0xFF);
  if (key.empty()) return "";
  std::string text;
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  if (shortCut & scShift) text += "Shift+";
  return text + key;
}

}  // namespace toolkit
