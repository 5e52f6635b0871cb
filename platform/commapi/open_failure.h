// Why a device could not be opened, in words for the user.
#pragma once

#include <string>

namespace commapi {

// One line on the last failed open of deviceName ("\\.\COM3"): who holds the
// device, which group may use it, or what the name maps to and how to change
// that. Empty when there is nothing to add or the last open succeeded.
std::string DescribeOpenFailure(const std::string& deviceName);

// One line on what the last open of deviceName took, when it succeeded but
// not as a plain open does: "/dev/pts/3 was left in exclusive mode by a
// program that ended; taken over". Empty otherwise.
std::string DescribeOpenNote(const std::string& deviceName);

// For the native port of each system: the line for a failed open of
// deviceName, mapped to path (empty for none), and its successful open, with
// a note on it or none.
void RecordOpenFailure(const std::string& deviceName, const std::string& path, std::string line);
void RecordOpenNote(const std::string& deviceName, const std::string& path, std::string note);
void ClearOpenFailure(const std::string& deviceName);

// "COM4 maps to /dev/ttyS3, which does not exist; set TELVORA_COM4 to the
// device to use", or "PATH PROBLEM" for a name that is no COM name or that
// stands for a path the user gave (NameByPath).
std::string MappingLine(const std::string& deviceName, const std::string& path,
                        const char* problem);

// Marks deviceName ("\\.\COM1") as standing for a device the user named by
// its path (the console's --port PATH), or clears the mark: the mapping is
// the program's own doing, not the user's to change.
void NameByPath(const std::string& deviceName, bool byPath);

}  // namespace commapi
