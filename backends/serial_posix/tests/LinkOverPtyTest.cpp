// The whole serial link, TComThread with its reader, over a pseudo-terminal pair.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "backends/serial_posix/PosixSerialPortFactory.h"
#include "backends/serial_posix/tests/PtyPair.h"
#include "comthread/ComThread.h"
#include "comthread/tests/MainThreadPump.h"
#include "platform/Exception.h"
#include "platform/MessageQueue.h"

using namespace std::chrono_literals;

namespace {

class LinkOverPtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ports.SetDeviceMapping([this](uint32_t port) { return port == 1 ? pty.SlavePath() : ""; });
    comm = MakeLink();
  }

  // A link with the main window's settings on COM1.
  std::unique_ptr<TComThread> MakeLink() {
    auto link = std::make_unique<TComThread>(nullptr, mainThread, ports);
    link->SetBaud(115000);
    link->SetPacketSize(3);
    link->SetTimeout(0);
    link->SetPort(1);
    return link;
  }

  void RecordDeliveries() {
    comm->OnPacketReceived = [this](TComport* sender, AnsiString& buffer) {
      blocks.push_back(buffer);
      senders.push_back(sender);
    };
  }

  bool PumpUntil(const std::function<bool()>& condition) {
    return ::PumpUntil(mainThread, condition);
  }

  TPtyPair pty;
  TPosixSerialPortFactory ports;
  TMessageQueue mainThread;
  std::vector<std::string> blocks;
  std::vector<TComport*> senders;
  std::unique_ptr<TComThread> comm;
};

TEST_F(LinkOverPtyTest, BlocksOfOneToThreeBytesArriveWithTheirZeroBytes) {
  RecordDeliveries();
  comm->ComInit();
  ASSERT_TRUE(comm->PortOpen()) << comm->ErrorText();

  const std::vector<std::string> sent = {std::string("\x00", 1), std::string("\x00\x01", 2),
                                         std::string("\xFF\x00\x00", 3), "\x01\x2C\x78"};
  for (const std::string& block : sent) {
    const size_t before = blocks.size();
    pty.Send(block);
    ASSERT_TRUE(PumpUntil([&] { return blocks.size() > before; }));
  }
  EXPECT_EQ(blocks, sent);
  for (TComport* sender : senders) EXPECT_EQ(sender, comm->Reader());

  comm->Write(std::string("\xFF\x01\x00", 3));
  EXPECT_EQ(pty.Receive(3), std::string("\xFF\x01\x00", 3));
}

TEST_F(LinkOverPtyTest, ComCloseWhileTheReaderWaitsInSynchronizeDropsThatBlock) {
  RecordDeliveries();
  comm->ComInit();
  ASSERT_TRUE(comm->PortOpen()) << comm->ErrorText();
  pty.Send("abc");
  // The main thread does not pump: the reader waits inside the hand-over.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (mainThread.Empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_FALSE(mainThread.Empty());

  comm->ComClose();
  EXPECT_EQ(comm->Reader(), nullptr);
  EXPECT_TRUE(blocks.empty());

  // The port is free again.
  comm->ComInit();
  EXPECT_TRUE(comm->PortOpen()) << comm->ErrorText();
}

TEST_F(LinkOverPtyTest, AStopIsNeverMissedWhateverMomentItComes) {
  for (int round = 0; round < 50; ++round) {
    comm->ComInit();
    ASSERT_NE(comm->Reader(), nullptr);
    if (round % 2) std::this_thread::sleep_for(std::chrono::microseconds(round * 20));
    comm->ComClose();  // returns although no byte ever comes
    ASSERT_EQ(comm->Reader(), nullptr);
  }
}

TEST_F(LinkOverPtyTest, AHandlerThatRaisesEndsTheReaderAndWritesStillWork) {
  std::vector<std::string> reports;
  comm->OnReaderError = [&](const std::string& message) { reports.push_back(message); };
  comm->OnPacketReceived = [](TComport*, AnsiString&) { throw Exception("Send Error: 5"); };
  comm->ComInit();
  pty.Send("abc");
  ASSERT_TRUE(PumpUntil([&] { return !reports.empty() && !comm->Reader()->Running(); }));
  EXPECT_EQ(reports, std::vector<std::string>{"Send Error: 5"});
  EXPECT_TRUE(comm->PortOpen());

  comm->Write(AnsiString("xyz"));
  EXPECT_EQ(pty.Receive(3), "xyz");
  comm->ComClose();
}

TEST_F(LinkOverPtyTest, TheOtherEndClosingEndsTheReaderWithAReadError) {
  comm->ComInit();
  ASSERT_TRUE(comm->PortOpen()) << comm->ErrorText();
  pty.CloseMaster();
  // The reader ends (rather than spinning on the hang-up) and says why.
  ASSERT_TRUE(
      PumpUntil([&] { return !comm->ReaderError().empty() && !comm->Reader()->Running(); }));
  EXPECT_EQ(comm->ReaderError(), "Read Error: 5");
  EXPECT_TRUE(comm->PortOpen());

  try {
    comm->Write(AnsiString("abc"));
    ADD_FAILURE() << "a write to a hung-up line succeeded";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Send Error: 5");
  }
  comm->ComClose();
}

TEST_F(LinkOverPtyTest, ASecondOpenOfTheSameDeviceFails) {
  comm->ComInit();
  ASSERT_TRUE(comm->PortOpen()) << comm->ErrorText();

  auto second = MakeLink();
  second->ComInit();
  EXPECT_FALSE(second->PortOpen());
  EXPECT_EQ(second->ErrorText(), "Comport Unavailable.");

  comm->ComClose();
  second->ComInit();
  EXPECT_TRUE(second->PortOpen()) << second->ErrorText();
}

TEST_F(LinkOverPtyTest, APortWithoutDeviceIsUnavailable) {
  comm->SetPort(2);
  comm->ComInit();
  EXPECT_FALSE(comm->PortOpen());
  EXPECT_EQ(comm->ErrorText(), "Comport Unavailable.");
}

}  // namespace
