#pragma once

#include <cstdint>

#include "platform/SerialDevice.h"

// The terminal settings of a serial device, through the kernel's termios2 interface (which takes
// any baud rate). Kept apart from the rest of the backend: its headers cannot be mixed with
// <termios.h>. Each function answers false when the device refuses or the request is invalid.

// Makes the line a plain byte channel: no echo, no line editing, no signals, no character
// translation in either direction, no XON/XOFF interpretation of received bytes, receiver on, modem
// lines ignored. Flow control by RTS/CTS and every other setting stay as the device had them.
bool MakeRawLine(int fd);

// Reads baud rate, data bits, parity and stop bits.
bool ReadLineSettings(int fd, TCommState& state);

// Replaces baud rate, data bits (5 to 8), parity (none, odd, even, mark, space) and stop bits (1;
// 1.5 with 5 data bits; 2 with 6 to 8 data bits), keeping every other setting. Fails, leaving the
// line as it was, when the device does not take the data bits, parity or stop bits asked for (a
// pseudo-terminal, for one, always runs 8 data bits without parity).
bool WriteLineSettings(int fd, const TCommState& state);

// The data bits, parity and stop bits in the control-mode flags (c_cflag) of a line: replaced in
// cflag (false, cflag unchanged, for an invalid combination), and read back.
bool EncodeCharacterFormat(const TCommState& state, uint32_t& cflag);
void DecodeCharacterFormat(uint32_t cflag, TCommState& state);

// Discards what waits in the input and the output queue.
bool FlushLine(int fd);
