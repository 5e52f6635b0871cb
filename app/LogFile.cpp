// File › Save Log...: the log as a plain text file. CR LF line ends, so it
// reads the same in any editor on the technician's and the office's systems.
#include <fstream>

#include "app/TelvoraMain.h"

void TMain_Form::SaveLog1Click(rtl::TObject*) {
  std::string path = "telvora-log.txt";
  if (!toolkit::SaveFileName("Save Log", path)) return;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  for (const std::string& line : Output_Memo.Lines()) file << line << "\r\n";
  file.close();
  if (!file)
    toolkit::ShowMessageBox("Save Log", "The log could not be written to " + path,
                            toolkit::MessageIcon::Warning);
}
