#pragma once

#include <cstdint>
#include <functional>

#include "comthread/SerialLink.h"
#include "platform/Form.h"
#include "platform/InputSynth.h"
#include "platform/Menu.h"
#include "platform/Types.h"

// What the dispatcher reads and changes: the window's menu items that hold the shared settings, the
// window itself, the input synthesiser, the link, and the window's mapping and screen transfer.
struct TDispatchTarget {
  TMenuItem& mnuLandscape;
  TMenuItem& mnuPortrait;
  TMenuItem& mnuMDown;
  TMenuItem& mnuFull;
  TMenuItem& mnuRelative;
  TMenuItem& mnuEnable;
  TMenuItem& mnuMapFn;
  TForm& Form;
  IInputSynth& Input;
  ISerialLink& Comm;
  std::function<TPoint(int32_t, int32_t)> MapToDesktop;
  std::function<void()> SendScreenImage;
};

// Handles one block from the handheld, taken as one packet from its first byte. Settings are read
// as the block is handled. A block too short for what its handling needs has no effect at all. An
// error of a reply's write passes out unchanged.
void CommPacketReceived(TDispatchTarget& target, const AnsiString& buffer);

// Sends the seven shared settings as seven command packets, if the link is open.
void SendSettings(TDispatchTarget& target);

// Writes one command packet FF, code, argument (without testing whether the link is open).
void WriteCommand(ISerialLink& link, uint8_t code, uint8_t argument);

// Swaps the client's width and height, width first, as an orientation change does.
void SwapClientSize(TForm& form);
