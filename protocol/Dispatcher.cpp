#include "protocol/Dispatcher.h"

#include <optional>

#include "protocol/Packets.h"

namespace {

constexpr int32_t NudgeStep = 5;

uint8_t ByteAt(const AnsiString& block, std::size_t index) {
  return static_cast<uint8_t>(block[index]);
}

// 32-bit addition that wraps instead of overflowing: nudges are applied without bounds.
int32_t Plus(int32_t value, int32_t step) {
  return static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(step));
}

// An on/off argument: onValue means on, the other of 0 and 1 means off, anything else nothing.
std::optional<bool> OnOff(uint8_t argument, uint8_t onValue) {
  if (argument == onValue) return true;
  if (argument == (onValue ^ 1)) return false;
  return std::nullopt;
}

bool KeyboardOn(const TDispatchTarget& t) {
  return t.mnuEnable.Checked();
}

bool Landscape(const TDispatchTarget& t) {
  return t.mnuLandscape.Checked();
}

// --- Pen packets -----------------------------------------------------------------------------

void HandlePen(TDispatchTarget& t, const AnsiString& block) {
  if (block.size() < PacketSize) return;  // abandoned: both forms need bytes 1 and 2
  if (t.mnuRelative.Checked()) {
    const int32_t dx = static_cast<int8_t>(ByteAt(block, 1));
    const int32_t dy = static_cast<int8_t>(ByteAt(block, 2));
    // In portrait the handheld's x axis runs down the PC's screen and its y axis right to left.
    if (Landscape(t)) {
      t.Input.mouse_event(MOUSEEVENTF_MOVE, dx, dy);
    } else {
      t.Input.mouse_event(MOUSEEVENTF_MOVE, -dy, dx);
    }
    return;
  }
  const int32_t x = ByteAt(block, 0) * 256 + ByteAt(block, 1);
  const int32_t y = ByteAt(block, 2);
  const TPoint point = t.MapToDesktop(x, y);
  t.Input.SetCursorPos(point.x, point.y);
}

// --- Commands --------------------------------------------------------------------------------

void SetOrientation(TDispatchTarget& t, uint8_t argument) {
  if (argument == 0 && !t.mnuLandscape.Checked()) {
    t.mnuLandscape.SetChecked(true);
    t.mnuPortrait.SetChecked(false);
    SwapClientSize(t.Form);
  } else if (argument == 1 && !t.mnuPortrait.Checked()) {
    t.mnuLandscape.SetChecked(false);
    t.mnuPortrait.SetChecked(true);
    SwapClientSize(t.Form);
  }
}

void PressButton(IInputSynth& input, uint8_t argument) {
  auto send = [&input](uint32_t flag) { input.mouse_event(flag, 0, 0); };
  switch (argument) {
    case btnLeftUp:
      send(MOUSEEVENTF_LEFTUP);
      break;
    case btnLeftDown:
      send(MOUSEEVENTF_LEFTDOWN);
      break;
    case btnLeftClick:
      send(MOUSEEVENTF_LEFTDOWN);
      send(MOUSEEVENTF_LEFTUP);
      break;
    case btnLeftDoubleClick:
      for (int i = 0; i < 2; ++i) {
        send(MOUSEEVENTF_LEFTDOWN);
        send(MOUSEEVENTF_LEFTUP);
      }
      break;
    case btnRightUp:
      send(MOUSEEVENTF_RIGHTUP);
      break;
    case btnRightDown:
      send(MOUSEEVENTF_RIGHTDOWN);
      break;
    case btnRightClick:
      send(MOUSEEVENTF_RIGHTDOWN);
      send(MOUSEEVENTF_RIGHTUP);
      break;
    default:
      break;
  }
}

// A nudge of the window: a step along the desktop's horizontal and vertical axes.
struct TNudge {
  int32_t horizontal;
  int32_t vertical;
};

// The nudges for the four directions on the handheld (left, right, up, down). In portrait the
// handheld is turned, so each direction acts on the other axis.
constexpr TNudge MoveLandscape[4] = {
    {-NudgeStep, 0}, {NudgeStep, 0}, {0, -NudgeStep}, {0, NudgeStep}};
constexpr TNudge MovePortrait[4] = {
    {0, -NudgeStep}, {0, NudgeStep}, {NudgeStep, 0}, {-NudgeStep, 0}};
// Sizing: left widens and right narrows; up shortens and down lengthens.
constexpr TNudge SizeLandscape[4] = {
    {NudgeStep, 0}, {-NudgeStep, 0}, {0, -NudgeStep}, {0, NudgeStep}};
constexpr TNudge SizePortrait[4] = {
    {0, NudgeStep}, {0, -NudgeStep}, {NudgeStep, 0}, {-NudgeStep, 0}};

void MoveWindow(TDispatchTarget& t, uint8_t direction) {
  if (direction > dirDown) return;
  const TNudge nudge = (Landscape(t) ? MoveLandscape : MovePortrait)[direction];
  TForm& form = t.Form;
  if (nudge.horizontal != 0) form.SetLeft(Plus(form.Left(), nudge.horizontal));
  if (nudge.vertical != 0) form.SetTop(Plus(form.Top(), nudge.vertical));
}

void SizeWindow(TDispatchTarget& t, uint8_t direction) {
  if (direction > dirDown) return;
  const TNudge nudge = (Landscape(t) ? SizeLandscape : SizePortrait)[direction];
  TForm& form = t.Form;
  if (nudge.horizontal != 0) form.SetClientWidth(Plus(form.ClientWidth(), nudge.horizontal));
  if (nudge.vertical != 0) form.SetClientHeight(Plus(form.ClientHeight(), nudge.vertical));
}

void SetVisible(TForm& form, uint8_t argument) {
  const std::optional<bool> hidden = OnOff(argument, 1);
  if (hidden && form.Visible() == *hidden) form.SetVisible(!*hidden);
}

void SetCheck(TMenuItem& item, uint8_t argument, uint8_t onValue) {
  if (const std::optional<bool> on = OnOff(argument, onValue)) item.SetChecked(*on);
}

void SetKeyboard(TDispatchTarget& t, uint8_t argument) {
  if (const std::optional<bool> on = OnOff(argument, 1)) {
    t.mnuEnable.SetChecked(*on);
    t.mnuMapFn.SetEnabled(*on);
  }
}

void Tap(IInputSynth& input, uint8_t vk) {
  input.keybd_event(vk, 0);
  input.keybd_event(vk, KEYEVENTF_KEYUP);
}

// Types one character: the key that types it, pressed and released (a key left down would be
// repeated by the PC), with whatever Shift state holds at the moment. A character that no key of
// the layout types is handed over whole.
void TypeKey(IInputSynth& input, uint8_t character) {
  const int16_t key = input.VkKeyScanA(character);
  if (key == -1) {
    input.TypeCharacter(character);
    return;
  }
  Tap(input, static_cast<uint8_t>(key & 0xFF));
}

// A modifier press (1) or release (0).
void Modifier(IInputSynth& input, uint8_t vk, uint8_t argument) {
  if (const std::optional<bool> down = OnOff(argument, 1)) {
    input.keybd_event(vk, *down ? 0 : KEYEVENTF_KEYUP);
  }
}

void SpecialKey(IInputSynth& input, uint8_t argument) {
  switch (argument) {
    case keyLeft:
      Tap(input, vk::VK_LEFT);
      break;
    case keyRight:
      Tap(input, vk::VK_RIGHT);
      break;
    case keyUp:
      Tap(input, vk::VK_UP);
      break;
    case keyDown:
      Tap(input, vk::VK_DOWN);
      break;
    case keyEscape:
      Tap(input, vk::VK_ESCAPE);
      break;
    case keyShiftDelete:
      // Shift-Delete with Shift let go around it; Shift ends down whatever it was before.
      input.keybd_event(vk::VK_SHIFT, KEYEVENTF_KEYUP);
      Tap(input, vk::VK_DELETE);
      input.keybd_event(vk::VK_SHIFT, 0);
      break;
    default:
      break;
  }
}

void HandleCommand(TDispatchTarget& t, const AnsiString& block) {
  if (block.size() < 2) return;  // abandoned: no code
  const uint8_t code = ByteAt(block, 1);
  if (code == cmdGetSettings) {  // its argument is never read
    SendSettings(t);
    return;
  }
  if (block.size() < 3) return;  // abandoned: every other command needs its argument
  const uint8_t argument = ByteAt(block, 2);

  switch (code) {
    case cmdOrientation:
      SetOrientation(t, argument);
      break;
    case cmdButton:
      PressButton(t.Input, argument);
      break;
    case cmdMouseDown:
      SetCheck(t.mnuMDown, argument, 1);
      break;
    case cmdMoveWindow:
      MoveWindow(t, argument);
      break;
    case cmdSizeWindow:
      SizeWindow(t, argument);
      break;
    case cmdFullScreen:
      SetCheck(t.mnuFull, argument, 1);
      break;
    case cmdHideWindow:
      SetVisible(t.Form, argument);
      break;
    case cmdKey:
      if (KeyboardOn(t)) TypeKey(t.Input, argument);
      break;
    case cmdRelative:
      SetCheck(t.mnuRelative, argument, 0);
      break;
    case cmdShift:
      if (KeyboardOn(t)) Modifier(t.Input, vk::VK_SHIFT, argument);
      break;
    case cmdCtrl:
      if (KeyboardOn(t)) Modifier(t.Input, vk::VK_CONTROL, argument);
      break;
    case cmdFn:
      if (KeyboardOn(t) && t.mnuMapFn.Checked()) Modifier(t.Input, vk::VK_MENU, argument);
      break;
    case cmdMapFn:
      SetCheck(t.mnuMapFn, argument, 1);
      break;
    case cmdKeyboard:
      SetKeyboard(t, argument);
      break;
    case cmdSpecialKey:
      SpecialKey(t.Input, argument);
      break;
    case cmdScreen:
      if (argument == 0xFF) t.SendScreenImage();
      break;
    default:
      break;  // unknown codes are ignored
  }
}

}  // namespace

void CommPacketReceived(TDispatchTarget& target, const AnsiString& buffer) {
  if (buffer.empty()) return;
  switch (ClassifyLeadByte(ByteAt(buffer, 0))) {
    case TPacketKind::Command:
      HandleCommand(target, buffer);
      break;
    case TPacketKind::Pen:
      HandlePen(target, buffer);
      break;
    case TPacketKind::Ignored:
      break;
  }
}

void SendSettings(TDispatchTarget& target) {
  ISerialLink& link = target.Comm;
  if (!link.PortOpen()) return;
  // Each argument is read just before its packet goes out.
  WriteCommand(link, cmdOrientation, target.mnuLandscape.Checked() ? 0 : 1);
  WriteCommand(link, cmdMouseDown, target.mnuMDown.Checked() ? 1 : 0);
  WriteCommand(link, cmdFullScreen, target.mnuFull.Checked() ? 1 : 0);
  WriteCommand(link, cmdHideWindow, target.Form.Visible() ? 0 : 1);
  WriteCommand(link, cmdRelative, target.mnuRelative.Checked() ? 0 : 1);
  WriteCommand(link, cmdMapFn, target.mnuMapFn.Checked() ? 1 : 0);
  WriteCommand(link, cmdKeyboard, target.mnuEnable.Checked() ? 1 : 0);
}

void WriteCommand(ISerialLink& link, uint8_t code, uint8_t argument) {
  const uint8_t packet[PacketSize] = {CommandMarker, code, argument};
  link.Write(packet, PacketSize);
}

void SwapClientSize(TForm& form) {
  const int32_t width = form.ClientWidth();
  form.SetClientWidth(form.ClientHeight());
  form.SetClientHeight(width);
}
