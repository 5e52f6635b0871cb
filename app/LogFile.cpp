// File › Save Log...: the log as a plain text file. CR LF line ends, so it
// reads the same in any editor on the technician's and the office's systems.
#include "app/OutputFile.h"
#include "app/TelvoraMain.h"

void TMain_Form::SaveLog1Click(rtl::TObject*) {
  std::string path = "telvora-log.txt";
  if (!toolkit::SaveFileName("Save Log", path)) return;
  std::string text;
  for (const std::string& line : Output_Memo.Lines()) text += line + "\r\n";
  OutputFile file;
  std::string why;
  bool saved = file.Open(path, why);
  if (saved) {
    file.Append(text);
    saved = file.Commit(why);
  }
  if (!saved)
    toolkit::ShowMessageBox("Save Log", "The log could not be written to " + path + ": " + why,
                            toolkit::MessageIcon::Warning);
}
