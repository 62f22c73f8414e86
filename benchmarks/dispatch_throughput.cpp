// Measures how many blocks a second the dispatcher handles: a fixed mix of random pen packets,
// commands with valid and invalid codes and arguments, short blocks and ignored blocks, delivered
// to a null input sink and a null link, through the real mapping.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/Form.h"
#include "platform/Menu.h"
#include "protocol/Dispatcher.h"
#include "protocol/Packets.h"
#include "testsupport/RecordingInput.h"
#include "testsupport/RecordingLink.h"
#include "zem/CaptureArea.h"

namespace {

std::vector<AnsiString> RandomBlocks(std::size_t count) {
  std::mt19937 random(12345);
  auto byte = [&] { return static_cast<char>(random() & 0xFF); };
  std::vector<AnsiString> blocks;
  blocks.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    AnsiString block;
    switch (random() % 4) {
      case 0:  // a pen packet, in range or not
        block = {static_cast<char>(random() % 3), byte(), byte()};
        break;
      case 1:  // a command with a known code and a small argument
        block = {static_cast<char>(CommandMarker), static_cast<char>(1 + random() % 15),
                 static_cast<char>(random() % 8)};
        break;
      case 2:  // anything at all
        block = {byte(), byte(), byte()};
        break;
      default:  // a short block
        block.assign(1 + random() % 2, 0);
        for (char& c : block) c = byte();
        break;
    }
    blocks.push_back(block);
  }
  return blocks;
}

}  // namespace

int main() {
  TMenuItem landscape("mnuLandscape", ""), portrait("mnuPortrait", ""), mouseDown("mnuMDown", ""),
      full("mnuFull", ""), relative("mnuRelative", ""), enable("mnuEnable", ""),
      mapFn("mnuMapFn", "");
  landscape.SetChecked(true);
  enable.SetChecked(true);
  TNullWindowSurface surface;
  TForm form(surface);
  form.SetLeft(202);
  form.SetTop(177);
  form.SetClientWidth(640);
  form.SetClientHeight(240);
  TNullInput input;
  TNullLink link;
  long screenRequests = 0;
  TDispatchTarget target{
      landscape,
      portrait,
      mouseDown,
      full,
      relative,
      enable,
      mapFn,
      form,
      input,
      link,
      [&](int32_t x, int32_t y) {
        const TMappingInputs in{
            form.Left(),         form.Top(),     form.ClientWidth(),     form.ClientHeight(),
            landscape.Checked(), full.Checked(), TRect{0, 0, 1920, 1080}};
        return MapToDesktop(in, x, y);
      },
      [&] { ++screenRequests; }};

  const std::vector<AnsiString> blocks = RandomBlocks(1 << 16);
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  long handled = 0;
  double seconds = 0;
  do {
    for (const AnsiString& block : blocks) CommPacketReceived(target, block);
    handled += static_cast<long>(blocks.size());
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  } while (seconds < 1.0);

  std::printf("blocks %ld in %.3f s, screen requests %ld\n", handled, seconds, screenRequests);
  std::printf("dispatch_throughput blocks_per_s=%ld\n", static_cast<long>(handled / seconds));
  return 0;
}
