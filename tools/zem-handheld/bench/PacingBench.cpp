// How closely the paced line keeps to 115000 baud, each way, and how long an unpaced screen answer
// takes to come through the tool. Prints its figures; the last line is the summary.
#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

#include "protocol/Packets.h"
#include "tools/zem-handheld/PtyLine.h"
#include "tools/zem-handheld/Session.h"
#include "tools/zem-handheld/tests/FakePc.h"

using namespace handheld;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t Baud = 115000;

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

SessionOptions Options(uint32_t baud) {
  SessionOptions options;
  options.paceBaud = baud;
  options.pngPath = "/tmp/zem-handheld-bench-" + std::to_string(getpid()) + ".png";
  return options;
}

// Seconds from the PC's first byte of a screen answer until the tool has all of it.
double ScreenAnswerSeconds(uint32_t baud) {
  PtyLine line;
  FakePc pc(line.SlavePath());
  std::ostringstream out, err;
  Console console(out, err, false);
  Session session(line, console, Options(baud));
  session.Execute(CommandParser::Parse("screen"));
  pc.Read(3, 5000ms);
  std::vector<uint8_t> answer(ScreenAnswerSize, 0x33);
  answer[0] = answer[1] = answer[2] = 0xFF;
  const auto start = Clock::now();
  std::thread writer([&] { pc.Write(answer); });
  const auto failure = session.Execute(CommandParser::Parse("wait-screen 30"));
  const double seconds = Seconds(Clock::now() - start);
  writer.join();
  std::remove(Options(baud).pngPath.c_str());
  return failure ? -1 : seconds;
}

// Seconds from the first to the last of `count` key packets arriving at the PC.
double TextSeconds(size_t characters) {
  PtyLine line;
  FakePc pc(line.SlavePath());
  std::ostringstream out, err;
  Console console(out, err, false);
  Session session(line, console, Options(Baud));
  const ScriptCommand text = CommandParser::Parse("text \"" + std::string(characters, 'z') + "\"");
  std::thread sender([&] { session.Execute(text); });
  pc.Read(1, 5000ms);
  const auto first = Clock::now();
  pc.Read(text.bytes.size() - 1, 60000ms);
  const double seconds = Seconds(Clock::now() - first);
  sender.join();
  return seconds;
}

}  // namespace

int main() {
  const double readSeconds = ScreenAnswerSeconds(Baud);
  const double readBaud = (ScreenAnswerSize - 3) * 10 / readSeconds;
  std::printf("paced screen answer at %u baud: %.2f s (cable: %.2f s), %.0f baud\n", Baud,
              readSeconds, ScreenAnswerSize * 10.0 / Baud, readBaud);

  const size_t characters = 1000;
  const double writeSeconds = TextSeconds(characters);
  const double writeBaud = (characters * 3 - 1) * 10 / writeSeconds;
  std::printf("paced text of %zu keys at %u baud: %.3f s, %.0f baud\n", characters, Baud,
              writeSeconds, writeBaud);

  const double unpacedSeconds = ScreenAnswerSeconds(0);
  std::printf("unpaced screen answer: %.1f ms\n", unpacedSeconds * 1000);

  std::printf("zem_handheld_pacing read_baud=%.0f write_baud=%.0f unpaced_screen_ms=%.1f\n",
              readBaud, writeBaud, unpacedSeconds * 1000);
  return readSeconds > 0 && unpacedSeconds > 0 ? 0 : 1;
}
