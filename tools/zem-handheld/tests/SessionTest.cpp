#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "protocol/Packets.h"
#include "tools/zem-handheld/PtyLine.h"
#include "tools/zem-handheld/Session.h"
#include "tools/zem-handheld/tests/FakePc.h"

namespace handheld {
namespace {

using namespace std::chrono_literals;

// The tool's session on a real pseudo-terminal, with the PC played by a plain descriptor.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("zem-handheld-session-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  SessionOptions Options(uint32_t baud = 0) {
    SessionOptions options;
    options.paceBaud = baud;
    options.pngPath = (folder / "shot.png").string();
    options.stallLimit = 300ms;
    return options;
  }

  static ScriptCommand Parse(std::string_view line) { return CommandParser::Parse(line); }

  static std::vector<uint8_t> ScreenAnswer() {
    std::vector<uint8_t> answer = {0xFF, 0xFF, 0xFF};
    answer.resize(ScreenAnswerSize, 0x5A);
    return answer;
  }

  std::filesystem::path folder;
  PtyLine line;
  FakePc pc{line.SlavePath()};
  std::ostringstream out;
  std::ostringstream err;
  Console console{out, err, false};
};

TEST_F(SessionTest, AnswersToSettingsAndScreenRequestsArriveAndAreWaitedFor) {
  Session session(line, console, Options());
  std::thread pcSide([&] {
    if (pc.Read(3, 5000ms) != std::vector<uint8_t>{0xFF, 0xA0, 0x00}) return;
    pc.Write({0xFF, 0x01, 0x01, 0xFF, 0x03, 0x00, 0xFF, 0x06, 0x00, 0xFF, 0x07,
              0x00, 0xFF, 0x09, 0x01, 0xFF, 0x0D, 0x00, 0xFF, 0x0E, 0x01});
    if (pc.Read(3, 5000ms) != std::vector<uint8_t>{0xFF, 0xFF, 0xFF}) return;
    pc.Write(ScreenAnswer());
    if (pc.Read(3, 5000ms) != std::vector<uint8_t>{0xFF, 0xFF, 0xFF}) return;
    pc.Write(ScreenAnswer());
  });
  EXPECT_EQ(session.Execute(Parse("get-settings")), std::nullopt);
  EXPECT_EQ(session.Execute(Parse("wait-settings 10")), std::nullopt);
  EXPECT_EQ(session.Execute(Parse("screen")), std::nullopt);
  EXPECT_EQ(session.Execute(Parse("wait-screen 10")), std::nullopt);
  EXPECT_EQ(session.Execute(Parse("screen")), std::nullopt);
  EXPECT_TRUE(session.FinishOutstanding(10s).empty()) << err.str();
  pcSide.join();

  const std::string printed = out.str();
  EXPECT_NE(printed.find("recv orientation portrait\n"), std::string::npos);
  EXPECT_NE(printed.find("recv settings orientation=portrait mouse-down=off full-screen=off "
                         "window=shown relative=off map-fn=off keyboard=on\n"),
            std::string::npos);
  EXPECT_NE(printed.find("recv screen complete, 76800 bytes, written to " +
                         (folder / "shot.png").string()),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(folder / "shot.png"));
  EXPECT_TRUE(std::filesystem::exists(folder / "shot-2.png"));
  EXPECT_NE(err.str().find("screen: 76800 of 76800 bytes (100%)"), std::string::npos);
}

TEST_F(SessionTest, MissingAndShortAnswersFailTheirWait) {
  Session session(line, console, Options());
  EXPECT_EQ(session.Execute(Parse("wait-settings 0.2")), "no settings report within 0.2 s");
  EXPECT_EQ(session.Execute(Parse("screen")), std::nullopt);
  EXPECT_EQ(session.Execute(Parse("wait-screen 0.2")), "no screen answer within 0.2 s");

  EXPECT_EQ(session.Execute(Parse("screen")), std::nullopt);
  ASSERT_EQ(pc.Read(6, 5000ms).size(), 6u);
  std::vector<uint8_t> part = ScreenAnswer();
  part.resize(3 + 100);
  pc.Write(part);
  EXPECT_EQ(session.Execute(Parse("wait-screen 10")), "the screen answer failed");
  EXPECT_NE(out.str().find("recv screen short, 100 of 76800 bytes\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder / "shot.png"));

  // A request left without an answer is reported at the end.
  EXPECT_EQ(session.Execute(Parse("get-settings")), std::nullopt);
  const auto problems = session.FinishOutstanding(200ms);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("no settings report for 1 get-settings"), std::string::npos);
}

TEST_F(SessionTest, PacingHoldsBothDirectionsToTheBaudRate) {
  // 100 000 baud: 10 000 bytes a second, less what a late pacer may catch up at once. Lower
  // bounds only: a loaded machine can only be slower.
  Session session(line, console, Options(100000));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(session.Execute(Parse("text \"" + std::string(100, 'x') + "\"")), std::nullopt);
  EXPECT_EQ(pc.Read(300, 5000ms).size(), 300u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 25ms);

  EXPECT_EQ(session.Execute(Parse("screen")), std::nullopt);
  ASSERT_EQ(pc.Read(3, 5000ms).size(), 3u);
  const auto sent = std::chrono::steady_clock::now();
  std::vector<uint8_t> answer = ScreenAnswer();
  answer.resize(3 + 5000);  // 0.5 s at this rate; then the answer stalls
  pc.Write(answer);
  EXPECT_EQ(session.Execute(Parse("wait-screen 10")), "the screen answer failed");
  EXPECT_GE(std::chrono::steady_clock::now() - sent, 450ms);
  EXPECT_NE(out.str().find("short, 5000 of 76800"), std::string::npos);
}

}  // namespace
}  // namespace handheld
