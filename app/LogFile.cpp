// File › Save Log...: the log as a plain text file. CR LF line ends, so it
// reads the same in any editor on the technician's and the office's systems.
#include "app/OutputFile.h"
#include "app/TelvoraMain.h"

void TMain_Form::SaveLog1Click(rtl::TObject*) {
  std::string text;
  for (const std::string& line : Output_Memo.Lines()) text += line + "\r\n";
  SaveThroughDialog("Save Log", "telvora-log.txt", "The log", text);
}

void TMain_Form::SaveThroughDialog(const char* title, std::string path, const char* what,
                                   const std::string& text) {
  if (!toolkit::SaveFileName(title, path)) return;
  OutputFile file;
  std::string why;
  bool saved = file.Open(path, why);
  if (saved) {
    file.Append(text);
    saved = file.Commit(why);
  }
  if (!saved)
    toolkit::ShowMessageBox(title,
                            std::string(what) + " could not be written to " + path + ": " + why,
                            toolkit::MessageIcon::Warning);
}
