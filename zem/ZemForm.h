#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "comthread/ComThread.h"
#include "platform/Application.h"
#include "platform/Form.h"
#include "platform/InputSynth.h"
#include "platform/Menu.h"
#include "platform/Registry.h"
#include "platform/ScreenReader.h"
#include "platform/SerialDevice.h"
#include "platform/SettingsStore.h"
#include "protocol/Dispatcher.h"
#include "zem/CaptureArea.h"

// The platform services the main window works with.
struct TZemPlatform {
  IApplication& Application;
  IWindowSurface& Surface;
  IInputSynth& Input;
  IScreenReader& Screen;
  ISettingsStore& Settings;
  ISerialPortFactory& Ports;
};

// The program's one window: a topmost frame whose hole is the capture area, its menu, the serial
// link `Comm` to the handheld, and the settings that survive restarts.
//
// Construction applies the design values and runs FormCreate (restoring the saved settings and
// opening the saved port); the window is shown by Show. Destruction runs FormDestroy (saving the
// settings) and then closes the link.
class TZemForm {
 public:
  explicit TZemForm(const TZemPlatform& platform);
  ~TZemForm();

  TZemForm(const TZemForm&) = delete;
  TZemForm& operator=(const TZemForm&) = delete;

  // Makes the window visible, as the application does once the form is created.
  void Show() { Form.SetVisible(true); }

  // Window events.
  void FormCreate();
  void FormDestroy();
  void FormResize();

  // The link's handler: one block from the handheld.
  void CommPacketReceived(TComport* Sender, AnsiString& buffer);

  // Replies and the mapping shared by the handlers.
  void SendSettings();
  void SendScreenImage();
  TPoint MapToDesktop(int32_t x, int32_t y);

  // Menu commands.
  void Exit1Click();
  void COM11Click() { ChoosePort(1); }
  void COM21Click() { ChoosePort(2); }
  void COM31Click() { ChoosePort(3); }
  void COM41Click() { ChoosePort(4); }
  void mnuMDownClick();
  void HideZEMwindow1Click();
  void mnuFullClick();
  void mnuRelativeClick();
  void mnuLandscapeClick();
  void mnuPortraitClick();
  void Resettooriginal1Click();
  void SendScreen1Click() { SendScreenImage(); }
  void mnuEnableClick();
  void mnuMapFnClick();
  void GetfromPsion1Click();
  void SendtoPsion1Click() { SendSettings(); }
  void HelponZEM1Click();
  void AboutZEM1Click();

  // Shows the state of the link in the window's band.
  void UpdateLinkStatus();

  TForm Form;
  TMenuItem MainMenu1{"MainMenu1", ""};
  std::unique_ptr<TComThread> Comm;

  // The menu items, owned by MainMenu1's tree.
  TMenuItem* File1 = nullptr;
  TMenuItem* Exit1 = nullptr;
  TMenuItem* Connection1 = nullptr;
  TMenuItem* COM11 = nullptr;
  TMenuItem* COM21 = nullptr;
  TMenuItem* COM31 = nullptr;
  TMenuItem* COM41 = nullptr;
  TMenuItem* View1 = nullptr;
  TMenuItem* mnuMDown = nullptr;
  TMenuItem* HideZEMwindow1 = nullptr;
  TMenuItem* mnuFull = nullptr;
  TMenuItem* mnuRelative = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* SwitchXY1 = nullptr;
  TMenuItem* mnuLandscape = nullptr;
  TMenuItem* mnuPortrait = nullptr;
  TMenuItem* Size1 = nullptr;
  TMenuItem* Resettooriginal1 = nullptr;
  TMenuItem* Remote1 = nullptr;
  TMenuItem* SendScreen1 = nullptr;
  TMenuItem* N2 = nullptr;
  TMenuItem* Keyboard1 = nullptr;
  TMenuItem* mnuEnable = nullptr;
  TMenuItem* mnuMapFn = nullptr;
  TMenuItem* Settings1 = nullptr;
  TMenuItem* GetfromPsion1 = nullptr;
  TMenuItem* SendtoPsion1 = nullptr;
  TMenuItem* Help1 = nullptr;
  TMenuItem* HelponZEM1 = nullptr;
  TMenuItem* N3 = nullptr;
  TMenuItem* AboutZEM1 = nullptr;

 private:
  void BuildMenu();
  void ApplyDesignValues();
  void LoadSettings();
  void ChoosePort(uint32_t port);
  void ToggleSetting(TMenuItem& item, uint8_t code, uint8_t onArgument, uint8_t offArgument);
  void WritePacket(uint8_t code, uint8_t argument);
  void WritePacketIfOpen(uint8_t code, uint8_t argument);
  // The mapping's inputs now. Only full-screen mode maps onto the screen, so only then is the
  // window system asked for it.
  TMappingInputs MappingInputs();
  TMenuItem* PortItem(uint32_t port);

  TZemPlatform platform_;
  std::unique_ptr<TRegistry> Registry;
  std::unique_ptr<TDispatchTarget> dispatchTarget_;
};
