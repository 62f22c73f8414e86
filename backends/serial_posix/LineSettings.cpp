#include "backends/serial_posix/LineSettings.h"

// termios2 and its flags; <termios.h> must not be included in this file.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace {

constexpr uint8_t ParityNone = 0, ParityOdd = 1, ParityEven = 2, ParityMark = 3, ParitySpace = 4;
constexpr uint8_t OneStopBit = 0, OneAndHalfStopBits = 1, TwoStopBits = 2;

bool Get(int fd, termios2& tio) {
  return ioctl(fd, TCGETS2, &tio) == 0;
}
bool Set(int fd, const termios2& tio) {
  return ioctl(fd, TCSETS2, &tio) == 0;
}

bool SizeFlag(uint8_t dataBits, tcflag_t& flag) {
  switch (dataBits) {
    case 5:
      flag = CS5;
      return true;
    case 6:
      flag = CS6;
      return true;
    case 7:
      flag = CS7;
      return true;
    case 8:
      flag = CS8;
      return true;
    default:
      return false;
  }
}

uint8_t DataBitsOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

bool ParityFlags(uint8_t parity, tcflag_t& flags) {
  switch (parity) {
    case ParityNone:
      flags = 0;
      return true;
    case ParityOdd:
      flags = PARENB | PARODD;
      return true;
    case ParityEven:
      flags = PARENB;
      return true;
    case ParityMark:
      flags = PARENB | CMSPAR | PARODD;
      return true;
    case ParitySpace:
      flags = PARENB | CMSPAR;
      return true;
    default:
      return false;
  }
}

uint8_t ParityOf(tcflag_t cflag) {
  if (!(cflag & PARENB)) return ParityNone;
  const bool odd = cflag & PARODD;
  if (cflag & CMSPAR) return odd ? ParityMark : ParitySpace;
  return odd ? ParityOdd : ParityEven;
}

// The line sends 1.5 stop bits when CSTOPB is set with 5 data bits, and 2 with more.
bool StopFlag(uint8_t stopBits, uint8_t dataBits, tcflag_t& flag) {
  switch (stopBits) {
    case OneStopBit:
      flag = 0;
      return true;
    case OneAndHalfStopBits:
      flag = CSTOPB;
      return dataBits == 5;
    case TwoStopBits:
      flag = CSTOPB;
      return dataBits > 5;
    default:
      return false;
  }
}

}  // namespace

bool MakeRawLine(int fd) {
  termios2 tio{};
  if (!Get(fd, tio)) return false;
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag |= CREAD | CLOCAL;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  return Set(fd, tio);
}

bool EncodeCharacterFormat(const TCommState& state, uint32_t& cflag) {
  tcflag_t size = 0, parity = 0, stop = 0;
  if (!SizeFlag(state.ByteSize, size) || !ParityFlags(state.Parity, parity) ||
      !StopFlag(state.StopBits, state.ByteSize, stop)) {
    return false;
  }
  cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
  cflag |= size | parity | stop;
  return true;
}

void DecodeCharacterFormat(uint32_t cflag, TCommState& state) {
  state.ByteSize = DataBitsOf(cflag);
  state.Parity = ParityOf(cflag);
  state.StopBits =
      (cflag & CSTOPB) ? (state.ByteSize == 5 ? OneAndHalfStopBits : TwoStopBits) : OneStopBit;
}

bool ReadLineSettings(int fd, TCommState& state) {
  termios2 tio{};
  if (!Get(fd, tio)) return false;
  state.BaudRate = tio.c_ospeed;
  DecodeCharacterFormat(tio.c_cflag, state);
  return true;
}

bool WriteLineSettings(int fd, const TCommState& state) {
  // Baud rate 0 would hang the line up.
  if (state.BaudRate == 0) return false;
  termios2 before{};
  if (!Get(fd, before)) return false;
  termios2 tio = before;
  if (!EncodeCharacterFormat(state, tio.c_cflag)) return false;
  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ospeed = state.BaudRate;
  tio.c_ispeed = state.BaudRate;
  if (!Set(fd, tio)) return false;

  // A driver may quietly keep bits it cannot do: compare what it took.
  TCommState taken;
  if (!ReadLineSettings(fd, taken) || taken.ByteSize != state.ByteSize ||
      taken.Parity != state.Parity || taken.StopBits != state.StopBits) {
    Set(fd, before);
    return false;
  }
  return true;
}

bool FlushLine(int fd) {
  return ioctl(fd, TCFLSH, TCIOFLUSH) == 0;
}
