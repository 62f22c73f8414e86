// The zem-handheld program as a user runs it: options, script file, exit status, output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "protocol/Packets.h"
#include "tools/zem-handheld/tests/FakePc.h"

namespace handheld {
namespace {

using namespace std::chrono_literals;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("zem-handheld-program-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  void WriteScript(const std::string& text) { std::ofstream(folder / "script.txt") << text; }

  // Starts the program in the test folder; its standard output comes through the pipe.
  FILE* Start(const std::string& arguments) {
    const std::string command = "cd '" + folder.string() + "' && exec '" ZEM_HANDHELD_PROGRAM "' " +
                                arguments + " 2>err.txt";
    return popen(command.c_str(), "r");
  }

  static std::string ReadLine(FILE* pipe) {
    char line[512];
    if (std::fgets(line, sizeof line, pipe) == nullptr) return "";
    return line;
  }

  static std::string ReadRest(FILE* pipe) {
    std::string text;
    for (std::string line = ReadLine(pipe); !line.empty(); line = ReadLine(pipe)) text += line;
    return text;
  }

  static int ExitStatus(FILE* pipe) {
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Errors() const {
    std::ifstream file(folder / "err.txt");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::filesystem::path folder;
};

TEST_F(ProgramTest, RunsAScriptAgainstThePcOnItsPseudoTerminal) {
  WriteScript("# ask for both answers\nkey x\nget-settings\nwait-settings 10\nscreen\n");
  FILE* pipe = Start("--script script.txt --png out.png --final-wait 10");
  ASSERT_NE(pipe, nullptr);
  const std::string first = ReadLine(pipe);
  ASSERT_EQ(first.rfind("device /dev/pts/", 0), 0u) << first;
  FakePc pc(first.substr(7, first.size() - 8));
  ASSERT_TRUE(pc.IsOpen());

  EXPECT_EQ(pc.Read(6, 5000ms), (std::vector<uint8_t>{0xFF, 0x08, 'x', 0xFF, 0xA0, 0x00}));
  pc.Write({0xFF, 0x01, 0x00, 0xFF, 0x03, 0x00, 0xFF, 0x06, 0x00, 0xFF, 0x07,
            0x00, 0xFF, 0x09, 0x01, 0xFF, 0x0D, 0x00, 0xFF, 0x0E, 0x00});
  EXPECT_EQ(pc.Read(3, 5000ms), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF}));
  std::vector<uint8_t> answer(ScreenAnswerSize, 0xF0);
  answer[0] = answer[1] = answer[2] = 0xFF;
  pc.Write(answer);

  const std::string output = ReadRest(pipe);
  EXPECT_EQ(ExitStatus(pipe), 0) << Errors();
  EXPECT_NE(output.find("recv settings orientation=landscape"), std::string::npos) << output;
  EXPECT_NE(output.find("recv screen complete, 76800 bytes, written to out.png"), std::string::npos)
      << output;
  EXPECT_TRUE(std::filesystem::exists(folder / "out.png"));
}

TEST_F(ProgramTest, FailuresGiveANonZeroStatusAndSayWhere) {
  WriteScript("pen 1 2\n\nmove 1\n");
  FILE* pipe = Start("--script script.txt");
  ASSERT_NE(pipe, nullptr);
  EXPECT_EQ(ReadRest(pipe), "");  // nothing opened, nothing sent
  EXPECT_EQ(ExitStatus(pipe), 1);
  EXPECT_EQ(Errors(), "zem-handheld: script.txt, line 3: move: expected \"move DX DY\"\n");

  WriteScript("wait-settings 0.1\n");
  pipe = Start("--script script.txt");
  ReadRest(pipe);
  EXPECT_EQ(ExitStatus(pipe), 1);
  EXPECT_NE(Errors().find("script.txt, line 1: no settings report within 0.1 s"),
            std::string::npos);

  pipe = Start("--device /dev/zem-no-such-device");
  ReadRest(pipe);
  EXPECT_EQ(ExitStatus(pipe), 1);
  EXPECT_NE(Errors().find("no such device: /dev/zem-no-such-device"), std::string::npos);

  pipe = Start("--baud fast");
  ReadRest(pipe);
  EXPECT_EQ(ExitStatus(pipe), 2);
  EXPECT_NE(Errors().find("--baud: expected a number"), std::string::npos);
}

}  // namespace
}  // namespace handheld
