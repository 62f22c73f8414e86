#include "zem/ZemForm.h"

#include <exception>

#include "protocol/Packets.h"
#include "zem/ScreenTransfer.h"

namespace {

const char* const HelpText = "See the help file on the Psion for futher information.";
const char* const AboutText =
    "Version 1.00F\r\n\r\n"
    "ZEM - the PC side of the handheld remote: the handheld's pen and keyboard drive this PC,\r\n"
    "and the PC's screen is sent to the handheld on request.\r\n"
    "Settings are kept in ~/.config/zem/settings.toml.";

// Design values of the window and its link.
constexpr int32_t DesignLeft = 202;
constexpr int32_t DesignTop = 177;
constexpr int32_t DesignWidth = 648;
constexpr int32_t DesignHeight = 287;
constexpr uint32_t DesignBufSize = 76800;
constexpr uint32_t DesignBaud = 115000;
constexpr uint32_t DesignPort = 2;
constexpr uint32_t DesignPacketSize = 3;
constexpr uint32_t DesignTimeout = 0;

}  // namespace

TZemForm::TZemForm(const TZemPlatform& platform) : Form(platform.Surface), platform_(platform) {
  BuildMenu();
  Comm = std::make_unique<TComThread>(nullptr, platform_.Application.MainThread(), platform_.Ports);
  dispatchTarget_.reset(new TDispatchTarget{
      *mnuLandscape, *mnuPortrait, *mnuMDown, *mnuFull, *mnuRelative, *mnuEnable, *mnuMapFn, Form,
      platform_.Input, *Comm, [this](int32_t x, int32_t y) { return MapToDesktop(x, y); },
      [this] { SendScreenImage(); }});
  ApplyDesignValues();
  FormCreate();
  UpdateLinkStatus();
}

TZemForm::~TZemForm() {
  // An error while saving ends the save at that value; it is shown and shutdown goes on.
  try {
    FormDestroy();
  } catch (const std::exception& error) {
    platform_.Application.ShowException(error);
  }
  Registry.reset();
  Comm.reset();
}

void TZemForm::BuildMenu() {
  auto add = [](TMenuItem& parent, const char* name, const char* caption,
                std::function<void()> onClick = {}) -> TMenuItem* {
    return &parent.Add(std::make_unique<TMenuItem>(name, caption, std::move(onClick)));
  };

  File1 = add(MainMenu1, "File1", "&File");
  Exit1 = add(*File1, "Exit1", "E&xit", [this] { Exit1Click(); });

  Connection1 = add(MainMenu1, "Connection1", "&Connection");
  COM11 = add(*Connection1, "COM11", "COM1", [this] { COM11Click(); });
  COM21 = add(*Connection1, "COM21", "COM2", [this] { COM21Click(); });
  COM31 = add(*Connection1, "COM31", "COM3", [this] { COM31Click(); });
  COM41 = add(*Connection1, "COM41", "COM4", [this] { COM41Click(); });

  View1 = add(MainMenu1, "View1", "&Settings");
  mnuMDown = add(*View1, "mnuMDown", "&Always Mouse Down", [this] { mnuMDownClick(); });
  HideZEMwindow1 =
      add(*View1, "HideZEMwindow1", "&Hide ZEM Window", [this] { HideZEMwindow1Click(); });
  mnuFull = add(*View1, "mnuFull", "Use &Full Screen", [this] { mnuFullClick(); });
  mnuRelative =
      add(*View1, "mnuRelative", "Use Relative &Movement", [this] { mnuRelativeClick(); });
  N1 = add(*View1, "N1", "-");
  SwitchXY1 = add(*View1, "SwitchXY1", "Orientation");
  mnuLandscape = add(*SwitchXY1, "mnuLandscape", "&Landscape", [this] { mnuLandscapeClick(); });
  mnuPortrait = add(*SwitchXY1, "mnuPortrait", "&Portrait", [this] { mnuPortraitClick(); });
  Size1 = add(*View1, "Size1", "Size");
  Resettooriginal1 =
      add(*Size1, "Resettooriginal1", "Reset to Original", [this] { Resettooriginal1Click(); });

  Remote1 = add(MainMenu1, "Remote1", "&Remote");
  SendScreen1 = add(*Remote1, "SendScreen1", "Send Screen", [this] { SendScreen1Click(); });
  N2 = add(*Remote1, "N2", "-");
  Keyboard1 = add(*Remote1, "Keyboard1", "Keyboard");
  mnuEnable = add(*Keyboard1, "mnuEnable", "Enable", [this] { mnuEnableClick(); });
  mnuMapFn = add(*Keyboard1, "mnuMapFn", "Map Fn to Alt", [this] { mnuMapFnClick(); });
  Settings1 = add(*Remote1, "Settings1", "Settings");
  GetfromPsion1 =
      add(*Settings1, "GetfromPsion1", "Get from Psion", [this] { GetfromPsion1Click(); });
  SendtoPsion1 = add(*Settings1, "SendtoPsion1", "Send to Psion", [this] { SendtoPsion1Click(); });

  Help1 = add(MainMenu1, "Help1", "&Help");
  HelponZEM1 = add(*Help1, "HelponZEM1", "Help on ZEM", [this] { HelponZEM1Click(); });
  N3 = add(*Help1, "N3", "-");
  AboutZEM1 = add(*Help1, "AboutZEM1", "&About...", [this] { AboutZEM1Click(); });

  // Map Fn to Alt is selectable only while the keyboard is enabled.
  mnuMapFn->SetEnabled(false);
}

void TZemForm::ApplyDesignValues() {
  Form.OnResize = [this] { FormResize(); };
  Form.SetCaption("Zem");
  Form.SetLeft(DesignLeft);
  Form.SetTop(DesignTop);
  Form.SetWidth(DesignWidth);
  Form.SetHeight(DesignHeight);

  Comm->SetBufSize(DesignBufSize);
  Comm->SetBaud(DesignBaud);
  Comm->SetPort(DesignPort);
  Comm->SetPacketSize(DesignPacketSize);
  Comm->SetTimeout(DesignTimeout);
  Comm->OnPacketReceived = [this](TComport* sender, AnsiString& buffer) {
    CommPacketReceived(sender, buffer);
  };
  Comm->OnReaderError = [this](const std::string&) { UpdateLinkStatus(); };
}

// ---- Start-up, settings and shutdown ----

void TZemForm::FormCreate() {
  mnuLandscape->SetChecked(true);
  Form.MakeTopmost();
  Registry = std::make_unique<TRegistry>(platform_.Settings);
  Registry->OpenKey("Software", true);
  Registry->OpenKey("ZEM", true);
  try {
    LoadSettings();
  } catch (const std::exception&) {
    // A missing or mistyped value ends the load; what was restored before it stays in effect.
  }
  Registry->CloseKey();
}

void TZemForm::LoadSettings() {
  const uint32_t port = static_cast<uint32_t>(Registry->ReadInteger("COM"));
  if (port >= 1 && port <= 4) {
    if (Comm->PortOpen()) Comm->ComClose();
    Comm->SetPort(port);
    Comm->ComInit();
    PortItem(port)->SetChecked(true);
  }

  const std::string orientation = Registry->ReadString("Orientation");
  if (orientation == "Portrait") {
    mnuLandscape->SetChecked(false);
    mnuPortrait->SetChecked(true);
  } else if (orientation == "Landscape") {
    mnuLandscape->SetChecked(true);
    mnuPortrait->SetChecked(false);
  }

  Form.SetClientWidth(Registry->ReadInteger("ClientWidth"));
  Form.SetClientHeight(Registry->ReadInteger("ClientHeight"));
  Form.SetLeft(Registry->ReadInteger("Left"));
  Form.SetTop(Registry->ReadInteger("Top"));

  mnuFull->SetChecked(Registry->ReadBool("Full screen"));
  mnuMapFn->SetChecked(Registry->ReadBool("Map Fn to Alt"));
  mnuMDown->SetChecked(Registry->ReadBool("Mouse down"));
  mnuRelative->SetChecked(Registry->ReadBool("Relative movement"));
  mnuEnable->SetChecked(Registry->ReadBool("Use keyboard"));
}

void TZemForm::FormDestroy() {
  Registry->OpenKey("Software", true);
  Registry->OpenKey("ZEM", true);

  int32_t port = 0;
  if (COM11->Checked()) {
    port = 1;
  } else if (COM21->Checked()) {
    port = 2;
  } else if (COM31->Checked()) {
    port = 3;
  } else if (COM41->Checked()) {
    port = 4;
  }
  Registry->WriteInteger("COM", port);

  if (mnuPortrait->Checked()) {
    Registry->WriteString("Orientation", "Portrait");
  } else if (mnuLandscape->Checked()) {
    Registry->WriteString("Orientation", "Landscape");
  } else {
    Registry->WriteString("Orientation", "Unknown");
  }

  Registry->WriteInteger("ClientWidth", Form.ClientWidth());
  Registry->WriteInteger("ClientHeight", Form.ClientHeight());
  Registry->WriteBool("Mouse down", mnuMDown->Checked());
  Registry->WriteBool("Full screen", mnuFull->Checked());
  Registry->WriteBool("Relative movement", mnuRelative->Checked());
  Registry->WriteBool("Use keyboard", mnuEnable->Checked());
  Registry->WriteBool("Map Fn to Alt", mnuMapFn->Checked());
  Registry->WriteInteger("Left", Form.Left());
  Registry->WriteInteger("Top", Form.Top());

  Registry->CloseKey();
  Registry.reset();
}

// ---- Window shape, mapping and replies ----

void TZemForm::FormResize() {
  Form.SetShape(FormShape(Form.Width(), Form.Height()));
}

TMappingInputs TZemForm::MappingInputs() {
  const bool fullScreen = mnuFull->Checked();
  return TMappingInputs{Form.Left(),
                        Form.Top(),
                        Form.ClientWidth(),
                        Form.ClientHeight(),
                        mnuLandscape->Checked(),
                        fullScreen,
                        fullScreen ? platform_.Screen.PrimaryScreen() : TRect{}};
}

TPoint TZemForm::MapToDesktop(int32_t x, int32_t y) {
  return ::MapToDesktop(MappingInputs(), x, y);
}

void TZemForm::CommPacketReceived(TComport* /*Sender*/, AnsiString& buffer) {
  ::CommPacketReceived(*dispatchTarget_, buffer);
}

void TZemForm::SendSettings() {
  ::SendSettings(*dispatchTarget_);
}

void TZemForm::SendScreenImage() {
  // The transfer takes seconds on the wire: keep the window answering the window system meanwhile
  // and show how far it has come. No menu command and no received block runs until it has ended.
  constexpr int TotalBlocks = ScreenImageSize / 4;
  int shownPercent = -1;
  auto progress = [&](int blocksDone) {
    const int percent = blocksDone * 100 / TotalBlocks;
    if (percent != shownPercent && Comm->Reader() != nullptr) {
      shownPercent = percent;
      Form.SetStatusText("Sending screen: " + std::to_string(percent) + "%");
    }
    platform_.Application.ProcessWindowEvents();
  };
  try {
    ::SendScreenImage(MappingInputs(), platform_.Screen, *Comm, progress);
  } catch (...) {
    UpdateLinkStatus();
    throw;
  }
  UpdateLinkStatus();
}

// ---- Menu commands ----

void TZemForm::WritePacket(uint8_t code, uint8_t argument) {
  WriteCommand(*Comm, code, argument);
}

void TZemForm::WritePacketIfOpen(uint8_t code, uint8_t argument) {
  if (Comm->PortOpen()) WritePacket(code, argument);
}

void TZemForm::ToggleSetting(TMenuItem& item, uint8_t code, uint8_t onArgument,
                             uint8_t offArgument) {
  const bool on = !item.Checked();
  item.SetChecked(on);
  WritePacketIfOpen(code, on ? onArgument : offArgument);
}

void TZemForm::Exit1Click() {
  platform_.Application.Terminate();
}

TMenuItem* TZemForm::PortItem(uint32_t port) {
  TMenuItem* items[] = {COM11, COM21, COM31, COM41};
  return items[port - 1];
}

void TZemForm::ChoosePort(uint32_t port) {
  TMenuItem* item = PortItem(port);
  if (item->Checked()) {
    item->SetChecked(false);
    if (Comm->PortOpen()) Comm->ComClose();
    UpdateLinkStatus();
    return;
  }
  for (uint32_t n = 1; n <= 4; ++n) PortItem(n)->SetChecked(n == port);
  if (Comm->PortOpen()) Comm->ComClose();
  Comm->SetPort(port);
  Comm->ComInit();
  UpdateLinkStatus();
}

void TZemForm::mnuMDownClick() {
  ToggleSetting(*mnuMDown, cmdMouseDown, 1, 0);
}

void TZemForm::HideZEMwindow1Click() {
  Form.SetVisible(false);
  WritePacketIfOpen(cmdHideWindow, 1);
}

void TZemForm::mnuFullClick() {
  ToggleSetting(*mnuFull, cmdFullScreen, 1, 0);
}

// Relative movement on is 0 on the wire.
void TZemForm::mnuRelativeClick() {
  ToggleSetting(*mnuRelative, cmdRelative, 0, 1);
}

void TZemForm::mnuLandscapeClick() {
  if (mnuLandscape->Checked()) return;
  mnuLandscape->SetChecked(true);
  mnuPortrait->SetChecked(false);
  SwapClientSize(Form);
  WritePacket(cmdOrientation, 0);
}

void TZemForm::mnuPortraitClick() {
  if (mnuPortrait->Checked()) return;
  mnuLandscape->SetChecked(false);
  mnuPortrait->SetChecked(true);
  SwapClientSize(Form);
  WritePacket(cmdOrientation, 1);
}

void TZemForm::Resettooriginal1Click() {
  if (mnuLandscape->Checked()) {
    Form.SetClientWidth(HandheldWidth);
    Form.SetClientHeight(HandheldHeight);
  } else {
    Form.SetClientWidth(HandheldHeight);
    Form.SetClientHeight(HandheldWidth);
  }
}

void TZemForm::mnuEnableClick() {
  const bool on = !mnuEnable->Checked();
  mnuEnable->SetChecked(on);
  mnuMapFn->SetEnabled(on);
  WritePacketIfOpen(cmdKeyboard, on ? 1 : 0);
}

void TZemForm::mnuMapFnClick() {
  ToggleSetting(*mnuMapFn, cmdMapFn, 1, 0);
}

void TZemForm::GetfromPsion1Click() {
  WritePacketIfOpen(cmdGetSettings, 0);
}

void TZemForm::HelponZEM1Click() {
  platform_.Application.MessageBox(HelpText, "Help on ZEM", MB_OK);
}

void TZemForm::AboutZEM1Click() {
  platform_.Application.MessageBox(AboutText, "About ZEM", MB_OK);
}

// ---- Status ----

void TZemForm::UpdateLinkStatus() {
  const bool chosen = COM11->Checked() || COM21->Checked() || COM31->Checked() || COM41->Checked();
  if (!chosen && Comm->Reader() == nullptr) {
    Form.SetStatusText("No port chosen");
    return;
  }
  const uint32_t port = Comm->Port();
  std::string text = "COM" + std::to_string(port) + " (" + platform_.Ports.DeviceName(port) + "): ";
  if (Comm->Reader() != nullptr) {
    const std::string& error = Comm->ReaderError();
    text += error.empty() ? "open" : "open, reading stopped: " + error;
  } else {
    text += "closed";
    if (!Comm->ErrorText().empty()) text += " - " + Comm->ErrorText();
  }
  Form.SetStatusText(text);
}
