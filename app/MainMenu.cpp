// The window's menu tree and the handlers of its settings commands.
#include <array>
#include <functional>

#include "app/PortNames.h"
#include "app/Strings.h"
#include "app/TelvoraMain.h"

namespace {

using toolkit::TMenuItem;

TMenuItem* AddItem(TMenuItem& parent, const char* name, const char* caption) {
  return &parent.Add(std::make_unique<TMenuItem>(name, caption));
}

// In the order of the port enumeration (COM1 ... COM10).
std::array<TMenuItem*, 10> PortItems(const TMain_Form& form) {
  return {form.COM11, form.COM21, form.COM31, form.COM41, form.COM51,
          form.COM61, form.COM71, form.COM81, form.COM91, form.COM101};
}

// In the order of the message levels (0 Summary ... 4 Debug).
std::array<TMenuItem*, 5> LevelItems(const TMain_Form& form) {
  return {form.Summary, form.Minimal, form.Normal, form.Verbose, form.Debug};
}

}  // namespace

void TMain_Form::BuildMenus() {
  auto bind = [this](void (TMain_Form::*handler)(rtl::TObject*)) {
    return std::bind_front(handler, this);
  };

  File1 = AddItem(MainMenu1, "File1", "File");
  N1 = AddItem(*File1, "N1", "Phone Number");
  N1->OnClick = bind(&TMain_Form::N1Click);
  N3 = AddItem(*File1, "N3", "-");
  NextelPhone = AddItem(*File1, "NextelPhone", "Nextel Phone");
  NextelPhone->OnClick = bind(&TMain_Form::NextelPhoneClick);
  N2 = AddItem(*File1, "N2", "-");
  MessageLevel1 = AddItem(*File1, "MessageLevel1", "Message Level");
  Summary = AddItem(*MessageLevel1, "Summary", "Summary");
  Summary->OnClick = bind(&TMain_Form::SummaryClick);
  Minimal = AddItem(*MessageLevel1, "Minimal", "Minimal");
  Minimal->OnClick = bind(&TMain_Form::MinimalClick);
  Normal = AddItem(*MessageLevel1, "Normal", "Normal");
  Normal->SetChecked(true);
  Normal->OnClick = bind(&TMain_Form::NormalClick);
  Verbose = AddItem(*MessageLevel1, "Verbose", "Verbose");
  Verbose->OnClick = bind(&TMain_Form::VerboseClick);
  Debug = AddItem(*MessageLevel1, "Debug", "Debug");
  Debug->OnClick = bind(&TMain_Form::DebugClick);
  N4 = AddItem(*File1, "N4", "-");
  SaveLog1 = AddItem(*File1, "SaveLog1", "Save &Log...");
  SaveLog1->SetShortCut(toolkit::scCtrl | 'S');
  SaveLog1->OnClick = bind(&TMain_Form::SaveLog1Click);
  SaveReport1 = AddItem(*File1, "SaveReport1", "Save &Report...");
  SaveReport1->SetEnabled(false);
  SaveReport1->OnClick = bind(&TMain_Form::SaveReport1Click);
  RecordTrace1 = AddItem(*File1, "RecordTrace1", "Record Trace...");
  RecordTrace1->OnClick = Guarded(&TMain_Form::RecordTrace1Click);
  Exit1 = AddItem(*File1, "Exit1", "E&xit");
  Exit1->SetShortCut(toolkit::scAlt | 'X');
  Exit1->OnClick = bind(&TMain_Form::Exit1Click);

  Port1 = AddItem(MainMenu1, "Port1", "&Port");
  Port1->OnPopup = bind(&TMain_Form::Port1Popup);
  COM11 = AddItem(*Port1, "COM11", "COM1");
  COM11->SetChecked(true);
  COM11->OnClick = Guarded(&TMain_Form::COM11Click);
  COM21 = AddItem(*Port1, "COM21", "COM2");
  COM21->OnClick = Guarded(&TMain_Form::COM21Click);
  COM31 = AddItem(*Port1, "COM31", "COM3");
  COM31->OnClick = Guarded(&TMain_Form::COM31Click);
  COM41 = AddItem(*Port1, "COM41", "COM4");
  COM41->OnClick = Guarded(&TMain_Form::COM41Click);
  COM51 = AddItem(*Port1, "COM51", "COM5");
  COM51->OnClick = Guarded(&TMain_Form::COM51Click);
  COM61 = AddItem(*Port1, "COM61", "COM6");
  COM61->OnClick = Guarded(&TMain_Form::COM61Click);
  COM71 = AddItem(*Port1, "COM71", "COM7");
  COM71->OnClick = Guarded(&TMain_Form::COM71Click);
  COM81 = AddItem(*Port1, "COM81", "COM8");
  COM81->OnClick = Guarded(&TMain_Form::COM81Click);
  COM91 = AddItem(*Port1, "COM91", "COM9");
  COM91->OnClick = Guarded(&TMain_Form::COM91Click);
  COM101 = AddItem(*Port1, "COM101", "COM10");
  COM101->OnClick = Guarded(&TMain_Form::COM101Click);

  Detec1 = AddItem(MainMenu1, "Detec1", "&Detect");
  N96001 = AddItem(*Detec1, "N96001", "9600");
  N96001->OnClick = Guarded(&TMain_Form::N96001Click);
  N192001 = AddItem(*Detec1, "N192001", "19200");
  N192001->OnClick = Guarded(&TMain_Form::N192001Click);
  N384001 = AddItem(*Detec1, "N384001", "38400");
  N384001->OnClick = Guarded(&TMain_Form::N384001Click);

  Test1 = AddItem(MainMenu1, "Test1", "Rover &Test");
  Test1->SetShortCut(toolkit::scCtrl | 'T');
  Test1->OnClick = Guarded(&TMain_Form::Test1Click);
  SavingSettingsTest1 = AddItem(MainMenu1, "SavingSettingsTest1", "&Saving Settings Test");
  SavingSettingsTest1->OnClick = Guarded(&TMain_Form::SavingSettingsTest1Click);

  SaveLog2 = AddItem(PopupMenu1, "SaveLog2", "Save &Log...");
  SaveLog2->OnClick = bind(&TMain_Form::SaveLog1Click);

  Help1 = AddItem(MainMenu1, "Help1", "Help");
  About1 = AddItem(*Help1, "About1", "About");
  About1->SetEnabled(false);
  Port1Popup(Port1);
}

std::string TMain_Form::NumberAsEntered(const std::string& typed) {
  return Strings::PrintableText(typed);
}

void TMain_Form::N1Click(rtl::TObject*) {
  std::string number = PhoneNumber;
  if (toolkit::InputQuery("Enter Phone Number", "Phone Number", number))
    PhoneNumber = NumberAsEntered(number);
  PhoneNumberSet = true;
}

void TMain_Form::NextelPhoneClick(rtl::TObject*) {
  NextelPhone->SetChecked(!NextelPhone->Checked());
}

void TMain_Form::ChooseMessageLevel(std::uint8_t level) {
  std::array<TMenuItem*, 5> items = LevelItems(*this);
  for (std::size_t i = 0; i < items.size(); ++i) items[i]->SetChecked(i == std::size_t(level));
  MessageLevel = level;
}

void TMain_Form::SummaryClick(rtl::TObject*) { ChooseMessageLevel(0); }
void TMain_Form::MinimalClick(rtl::TObject*) { ChooseMessageLevel(1); }
void TMain_Form::NormalClick(rtl::TObject*) { ChooseMessageLevel(2); }
void TMain_Form::VerboseClick(rtl::TObject*) { ChooseMessageLevel(3); }
void TMain_Form::DebugClick(rtl::TObject*) { ChooseMessageLevel(4); }

void TMain_Form::Port1Popup(rtl::TObject*) {
  // A USB adapter comes and goes: look again each time the menu opens.
  std::array<TMenuItem*, 10> items = PortItems(*this);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const ports::ComPortInfo info = ports::DescribeComPort(static_cast<int>(i) + 1);
    items[i]->SetHint(ports::ShownPort(info) + (info.present ? ", present" : ", not present"));
  }
}

// The port setter itself ignores an unchanged port and reopens an open one.
void TMain_Form::ChoosePort(comms::TPortType port) {
  std::array<TMenuItem*, 10> items = PortItems(*this);
  for (std::size_t i = 0; i < items.size(); ++i) items[i]->SetChecked(i == std::size_t(port));
  ComPort->SetPort(port);
  DescribeLinePort();
}

void TMain_Form::COM11Click(rtl::TObject*) { ChoosePort(comms::COM1); }
void TMain_Form::COM21Click(rtl::TObject*) { ChoosePort(comms::COM2); }
void TMain_Form::COM31Click(rtl::TObject*) { ChoosePort(comms::COM3); }
void TMain_Form::COM41Click(rtl::TObject*) { ChoosePort(comms::COM4); }
void TMain_Form::COM51Click(rtl::TObject*) { ChoosePort(comms::COM5); }
void TMain_Form::COM61Click(rtl::TObject*) { ChoosePort(comms::COM6); }
void TMain_Form::COM71Click(rtl::TObject*) { ChoosePort(comms::COM7); }
void TMain_Form::COM81Click(rtl::TObject*) { ChoosePort(comms::COM8); }
void TMain_Form::COM91Click(rtl::TObject*) { ChoosePort(comms::COM9); }
void TMain_Form::COM101Click(rtl::TObject*) { ChoosePort(comms::COM10); }

void TMain_Form::Exit1Click(rtl::TObject*) { toolkit::Application::Instance().Terminate(); }

void TMain_Form::FormCloseQuery() {
  if (commandRunning_ &&
      !toolkit::AskYesNo(Caption, "A test is running. Stop it and quit Telvora?"))
    return;
  Exit1Click(Exit1);
}
