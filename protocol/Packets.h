#pragma once

#include <cstdint>

// The 3-byte packets exchanged with the handheld. A command packet is FF, code, argument; every
// other first byte makes a pen packet (0x00-0x02 and 0x80-0xFE) or is ignored (0x03-0x7F).
constexpr uint8_t CommandMarker = 0xFF;
constexpr int PacketSize = 3;

// Command codes.
constexpr uint8_t cmdOrientation = 0x01;  // 0 landscape, 1 portrait
constexpr uint8_t cmdButton = 0x02;       // 0-6, a button action
constexpr uint8_t cmdMouseDown = 0x03;    // 1 on, 0 off
constexpr uint8_t cmdMoveWindow = 0x04;   // 0-3: left, right, up, down
constexpr uint8_t cmdSizeWindow = 0x05;   // 0-3: left, right, up, down
constexpr uint8_t cmdFullScreen = 0x06;   // 1 on, 0 off
constexpr uint8_t cmdHideWindow = 0x07;   // 0 shown, 1 hidden
constexpr uint8_t cmdKey = 0x08;          // a character of code page 1252
constexpr uint8_t cmdRelative = 0x09;     // 0 on, 1 off (on is 0)
constexpr uint8_t cmdShift = 0x0A;        // 1 press, 0 release
constexpr uint8_t cmdCtrl = 0x0B;         // 1 press, 0 release
constexpr uint8_t cmdFn = 0x0C;           // 1 press, 0 release
constexpr uint8_t cmdMapFn = 0x0D;        // 1 on, 0 off
constexpr uint8_t cmdKeyboard = 0x0E;     // 1 on, 0 off
constexpr uint8_t cmdSpecialKey = 0x0F;   // 0-5: left, right, up, down, escape, shift-delete
constexpr uint8_t cmdGetSettings = 0xA0;  // argument not read; the PC sends 0
constexpr uint8_t cmdScreen = 0xFF;       // argument 0xFF; FF FF FF from the PC opens the image

// How a block is taken, judged by its first byte alone: 0xFF starts a command packet; any other
// byte read as a signed 8-bit number starts a pen packet up to 2 (0x00-0x02 and 0x80-0xFE) and is
// ignored above it (0x03-0x7F).
enum class TPacketKind { Command, Pen, Ignored };

constexpr TPacketKind ClassifyLeadByte(uint8_t lead) {
  if (lead == CommandMarker) return TPacketKind::Command;
  return static_cast<int8_t>(lead) > 2 ? TPacketKind::Ignored : TPacketKind::Pen;
}

// cmdButton arguments.
constexpr uint8_t btnLeftUp = 0;
constexpr uint8_t btnLeftDown = 1;
constexpr uint8_t btnLeftClick = 2;
constexpr uint8_t btnLeftDoubleClick = 3;
constexpr uint8_t btnRightUp = 4;
constexpr uint8_t btnRightDown = 5;
constexpr uint8_t btnRightClick = 6;

// cmdMoveWindow and cmdSizeWindow arguments: a direction on the handheld.
constexpr uint8_t dirLeft = 0;
constexpr uint8_t dirRight = 1;
constexpr uint8_t dirUp = 2;
constexpr uint8_t dirDown = 3;

// cmdSpecialKey arguments.
constexpr uint8_t keyLeft = 0;
constexpr uint8_t keyRight = 1;
constexpr uint8_t keyUp = 2;
constexpr uint8_t keyDown = 3;
constexpr uint8_t keyEscape = 4;
constexpr uint8_t keyShiftDelete = 5;

// The screen answer: header FF FF FF, then 640 x 240 pixels at 4 bits, two to a byte.
constexpr int HandheldWidth = 640;
constexpr int HandheldHeight = 240;
constexpr int ScreenImageSize = HandheldWidth * HandheldHeight / 2;  // 76 800
constexpr int ScreenAnswerSize = 3 + ScreenImageSize;                // 76 803
