// Texts of this program are byte strings, one byte per character; Latin-1
// maps every byte to a character and back unchanged.
#pragma once

#include <QString>
#include <string>

namespace toolkit {

inline QString ToQString(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQString(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace toolkit
