#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comthread/ComThread.h"
#include "comthread/tests/FakeSerialDevice.h"
#include "comthread/tests/MainThreadPump.h"
#include "platform/Exception.h"
#include "platform/MessageQueue.h"

using namespace std::chrono_literals;
using Step = TFakePort::Step;

namespace {

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& error) {
    return error.Message();
  }
  return "(no exception)";
}

class ComThreadTest : public ::testing::Test {
 protected:
  // Records every delivery: the block, its sender and the thread it ran on.
  void RecordDeliveries() {
    comm->OnPacketReceived = [this](TComport* sender, AnsiString& buffer) {
      blocks.push_back(buffer);
      senders.push_back(sender);
      deliveryThreads.push_back(std::this_thread::get_id());
    };
  }

  void OpenLink(uint32_t packetSize = 3) {
    comm->SetPacketSize(packetSize);
    comm->ComInit();
    ASSERT_NE(comm->Reader(), nullptr);
  }

  bool PumpUntil(const std::function<bool()>& condition) {
    return ::PumpUntil(mainThread, condition);
  }

  size_t ReadRequests() { return port->Get(&TFakePort::readRequests).size(); }

  TMessageQueue mainThread;
  TFakePortFactory ports;
  std::shared_ptr<TFakePort>& port = ports.port;
  std::vector<std::string> blocks;
  std::vector<TComport*> senders;
  std::vector<std::thread::id> deliveryThreads;
  std::unique_ptr<TComThread> comm = std::make_unique<TComThread>(nullptr, mainThread, ports);
};

TEST_F(ComThreadTest, NewComponentHasDefaultsAndNoLink) {
  EXPECT_EQ(comm->BufSize(), 128u);
  EXPECT_EQ(comm->Baud(), 19200u);
  EXPECT_EQ(comm->DataBits(), 8u);
  EXPECT_EQ(comm->Parity(), TParity::none);
  EXPECT_EQ(comm->StopBits(), TStopBits::s1);
  EXPECT_EQ(comm->Port(), 1u);
  EXPECT_EQ(comm->PacketSize(), 80u);
  EXPECT_EQ(comm->Timeout(), 100u);
  EXPECT_FALSE(comm->OnPacketReceived);
  EXPECT_FALSE(comm->PortOpen());
  EXPECT_EQ(comm->ErrorText(), "");
  EXPECT_EQ(comm->Reader(), nullptr);

  comm->ComClose();
  const uint8_t bytes[] = {1, 2, 3};
  comm->Write(bytes, 3);
  EXPECT_FALSE(comm->PortOpen());
  EXPECT_EQ(comm->ErrorText(), "Com not initialized.");
  comm.reset();
  EXPECT_EQ(port->opens, 0);
}

TEST_F(ComThreadTest, SettersRaiseTheirMessageWhileOpenAndStoreOtherwise) {
  struct Case {
    std::function<void(TComThread&)> set;
    std::function<bool(TComThread&)> stored;
    std::string message;
  };
  const std::vector<Case> cases = {
      {[](TComThread& c) { c.SetBufSize(4096); }, [](TComThread& c) { return c.BufSize() == 4096; },
       "Buffer can only be resized before ComInit()!"},
      {[](TComThread& c) { c.SetBaud(115000); }, [](TComThread& c) { return c.Baud() == 115000; },
       "Baud rate can only be set before ComInit()!"},
      {[](TComThread& c) { c.SetDataBits(7); }, [](TComThread& c) { return c.DataBits() == 7; },
       "Data bits can only be set before ComInit()!"},
      {[](TComThread& c) { c.SetParity(TParity::space); },
       [](TComThread& c) { return c.Parity() == TParity::space; },
       "Parity can only be set before ComInit()!"},
      {[](TComThread& c) { c.SetStopBits(TStopBits::s2); },
       [](TComThread& c) { return c.StopBits() == TStopBits::s2; },
       "Stop bits can only be set before ComInit()!"},
      {[](TComThread& c) { c.SetPort(4); }, [](TComThread& c) { return c.Port() == 4; },
       "Port can only be set before ComInit()!"},
      {[](TComThread& c) { c.SetPacketSize(9); }, [](TComThread& c) { return c.PacketSize() == 9; },
       "Packet Size can only be set before ComInit()!"},
      {[](TComThread& c) { c.SetTimeout(0); }, [](TComThread& c) { return c.Timeout() == 0; },
       "Timeout can only be set before ComInit()!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    TComThread fresh(nullptr, mainThread, ports);
    fresh.ComInit();
    ASSERT_NE(fresh.Reader(), nullptr);
    EXPECT_EQ(MessageOf([&] { c.set(fresh); }), c.message);
    EXPECT_FALSE(c.stored(fresh));
    EXPECT_NE(fresh.Reader(), nullptr);

    fresh.ComClose();
    c.set(fresh);
    EXPECT_TRUE(c.stored(fresh));
  }
}

TEST_F(ComThreadTest, OneAndAHalfStopBitsOnlyWithFiveDataBits) {
  const std::string combination =
      "1.5 Stop Bits with 6,7, or 8 Data Bits is an invalid combination";

  // With 8 data bits, even without a link.
  EXPECT_EQ(MessageOf([&] { comm->SetStopBits(TStopBits::s1_5); }), combination);
  EXPECT_EQ(comm->StopBits(), TStopBits::s1);

  comm->SetDataBits(5);
  comm->SetStopBits(TStopBits::s1_5);
  for (uint32_t refused : {6u, 8u, 9u, 0xFFFFFFFFu}) {
    EXPECT_EQ(MessageOf([&] { comm->SetDataBits(refused); }), combination) << refused;
  }
  EXPECT_EQ(comm->DataBits(), 5u);
  comm->SetDataBits(5);
  comm->SetDataBits(0);  // the test is for more than 5 only

  // The combination takes precedence over the open-link message.
  comm->SetDataBits(5);
  OpenLink();
  EXPECT_EQ(MessageOf([&] { comm->SetDataBits(8); }), combination);
  EXPECT_EQ(MessageOf([&] { comm->SetDataBits(5); }),
            "Data bits can only be set before ComInit()!");
  EXPECT_EQ(MessageOf([&] { comm->SetStopBits(TStopBits::s1_5); }),
            "Stop bits can only be set before ComInit()!");
  comm->ComClose();

  // From 5 data bits with 1.5 stop bits to 8 with 1: stop bits first.
  comm->SetStopBits(TStopBits::s1);
  comm->SetDataBits(8);
  EXPECT_EQ(comm->DataBits(), 8u);
}

TEST_F(ComThreadTest, InitPortHandsThePropertiesToThePort) {
  comm->SetPort(3);
  comm->SetBaud(115000);
  comm->SetDataBits(0x107);  // the port's byte-size field takes the low 8 bits
  comm->SetParity(TParity::mark);
  comm->SetStopBits(TStopBits::s2);
  comm->SetBufSize(76800);
  comm->SetTimeout(0);
  OpenLink(3);

  EXPECT_TRUE(comm->PortOpen());
  EXPECT_EQ(port->openedPort, 3u);
  EXPECT_EQ(port->setState.BaudRate, 115000u);
  EXPECT_EQ(port->setState.ByteSize, 7);
  EXPECT_EQ(port->setState.Parity, 3);
  EXPECT_EQ(port->setState.StopBits, 2);
  EXPECT_EQ(port->setTimeouts.WriteTotalTimeoutMultiplier, 80u);  // the port's own, kept
  EXPECT_EQ(port->setTimeouts.WriteTotalTimeoutConstant, 90u);
  EXPECT_EQ(port->inQueue, 76800u);
  EXPECT_EQ(port->outQueue, 76800u);
  ASSERT_TRUE(port->WaitForReadWaiting(10s));
  EXPECT_EQ(port->Get(&TFakePort::readRequests).front(), 3u);
}

TEST_F(ComThreadTest, ReadTimeoutsFollowTimeout) {
  struct Case {
    uint32_t timeout, interval, multiplier;
  };
  for (const Case& c : std::vector<Case>{
           {0, 1, 1}, {9, 1, 1}, {10, 2, 2}, {100, 11, 11}, {0xFFFFFFFF, 429496730, 429496730}}) {
    SCOPED_TRACE(c.timeout);
    comm->ComClose();
    comm->SetTimeout(c.timeout);
    comm->ComInit();
    EXPECT_EQ(port->setTimeouts.ReadIntervalTimeout, c.interval);
    EXPECT_EQ(port->setTimeouts.ReadTotalTimeoutMultiplier, c.multiplier);
    EXPECT_EQ(port->setTimeouts.ReadTotalTimeoutConstant, c.timeout);
  }
}

TEST_F(ComThreadTest, FailureAtEachStepOfInitPortIsRecordedAndClosesThePort) {
  struct Case {
    Step step;
    std::string message;
  };
  const std::vector<Case> cases = {
      {Step::Open, "Comport Unavailable."},
      {Step::GetCommState, "GetCommState Failed."},
      {Step::SetCommState, "SetCommState Failed."},
      {Step::GetCommTimeouts, "GetCommTimeouts Failed."},
      {Step::SetCommTimeouts, "SetCommTimeouts Failed."},
      {Step::SetupComm, "SetupComm Failed - try reducing buffer size."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    port = std::make_shared<TFakePort>();
    comm->ComInit();  // a working link first: the failure must clear PortOpen
    ASSERT_TRUE(comm->PortOpen());
    port->failAt = c.step;

    EXPECT_NO_THROW(comm->ComInit());
    EXPECT_FALSE(comm->PortOpen());
    EXPECT_EQ(comm->ErrorText(), c.message);
    EXPECT_EQ(comm->Reader(), nullptr);
    EXPECT_EQ(port->closes, port->opens);

    // The setters work again and the next ComInit can succeed.
    comm->SetPort(2);
    port->failAt = Step::None;
    comm->ComInit();
    EXPECT_TRUE(comm->PortOpen());
    EXPECT_EQ(comm->ErrorText(), c.message);  // never cleared
    comm->ComClose();
    comm->SetPort(1);
  }
}

TEST_F(ComThreadTest, StatesAcrossOpenCloseAndWrite) {
  OpenLink();  // Open
  EXPECT_TRUE(comm->PortOpen());

  comm->ComClose();  // Closed after open
  EXPECT_TRUE(comm->PortOpen());
  EXPECT_EQ(comm->Reader(), nullptr);
  EXPECT_EQ(port->closes, 1);
  EXPECT_TRUE(port->readEventSignalled);

  comm->ComClose();  // does nothing
  EXPECT_TRUE(comm->PortOpen());
  EXPECT_EQ(port->closes, 1);

  comm->Write(AnsiString("abc"));  // Closed and noticed
  EXPECT_FALSE(comm->PortOpen());
  EXPECT_EQ(comm->ErrorText(), "Com not initialized.");
  EXPECT_EQ(port->written, "");

  comm->ComInit();  // Open again; the text stays
  EXPECT_TRUE(comm->PortOpen());
  EXPECT_EQ(comm->ErrorText(), "Com not initialized.");
}

TEST_F(ComThreadTest, ComInitOnAnOpenLinkReopensAndTakesTheCurrentHandler) {
  OpenLink();
  RecordDeliveries();  // after ComInit: the running reader keeps its copy (none)
  port->Feed("a");
  ASSERT_TRUE(PumpUntil([&] { return ReadRequests() >= 2; }));
  EXPECT_TRUE(blocks.empty());

  comm->ComInit();
  EXPECT_EQ(port->opens, 2);
  EXPECT_EQ(port->closes, 1);
  EXPECT_NE(comm->Reader(), nullptr);
  port->Feed("b");
  ASSERT_TRUE(PumpUntil([&] { return blocks.size() == 1; }));
  EXPECT_EQ(blocks[0], "b");
  EXPECT_EQ(senders[0], comm->Reader());
}

TEST_F(ComThreadTest, WriteSendsEveryByteAndRaisesSendError) {
  OpenLink();
  const uint8_t bytes[] = {0xFF, 0x00, 0x02};
  comm->Write(bytes, 3);
  comm->Write(bytes, 0);
  comm->Write(bytes, -1);
  comm->Write(AnsiString("\x00\x01\x00", 3));
  comm->Write(AnsiString());
  EXPECT_EQ(port->written, std::string("\xFF\x00\x02\x00\x01\x00", 6));

  port->writeError = 5;
  EXPECT_EQ(MessageOf([&] { comm->Write(bytes, 3); }), "Send Error: 5");
  EXPECT_TRUE(comm->PortOpen());
  EXPECT_NE(comm->Reader(), nullptr);
}

TEST_F(ComThreadTest, BlocksReachTheHandlerOnTheMainThreadExactly) {
  RecordDeliveries();
  OpenLink(3);
  port->Feed(std::string("\x00\x00\x00", 3));
  port->Feed(std::string("\x01", 1));
  port->FeedEmptyRead();  // delivers nothing
  port->Feed(std::string("\xFF\x00", 2));
  port->Feed("abcdefg");  // more than PacketSize: read in blocks of at most 3

  ASSERT_TRUE(PumpUntil([&] { return blocks.size() == 6; }));
  const std::vector<std::string> expected = {std::string("\x00\x00\x00", 3),
                                             std::string("\x01", 1),
                                             std::string("\xFF\x00", 2),
                                             "abc",
                                             "def",
                                             "g"};
  EXPECT_EQ(blocks, expected);
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(senders[i], comm->Reader());
    EXPECT_EQ(deliveryThreads[i], std::this_thread::get_id());
  }
}

TEST_F(ComThreadTest, WithoutHandlerBlocksAreReadAndDropped) {
  OpenLink();
  port->Feed("abc");
  port->Feed("def");
  ASSERT_TRUE(PumpUntil([&] { return ReadRequests() >= 3; }));
}

TEST_F(ComThreadTest, ComCloseWhileTheReaderWaitsInSynchronizeDropsTheBlock) {
  RecordDeliveries();
  OpenLink();
  port->Feed("abc");
  // The reader has handed the block over and waits for the main thread, which does not pump.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (mainThread.Empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_FALSE(mainThread.Empty());

  comm->ComClose();
  EXPECT_TRUE(blocks.empty());
  EXPECT_EQ(comm->Reader(), nullptr);
  EXPECT_EQ(port->closes, 1);
}

TEST_F(ComThreadTest, ComCloseEndsAPendingRead) {
  OpenLink();
  ASSERT_TRUE(port->WaitForReadWaiting(10s));
  comm->ComClose();
  EXPECT_EQ(comm->Reader(), nullptr);
  EXPECT_EQ(port->closes, 1);
}

TEST_F(ComThreadTest, DestructionStopsTheReaderAndClosesThePort) {
  RecordDeliveries();
  OpenLink();
  port->Feed("abc");
  comm.reset();
  EXPECT_EQ(port->closes, 1);
}

TEST_F(ComThreadTest, ReadErrorEndsTheReaderAndTheLinkStaysOpen) {
  std::vector<std::string> reports;
  std::vector<std::thread::id> reportThreads;
  comm->OnReaderError = [&](const std::string& message) {
    reports.push_back(message);
    reportThreads.push_back(std::this_thread::get_id());
  };
  OpenLink();
  port->FailNextRead(5);
  ASSERT_TRUE(PumpUntil([&] { return !reports.empty() && !comm->Reader()->Running(); }));

  EXPECT_EQ(reports, std::vector<std::string>{"Read Error: 5"});
  EXPECT_EQ(reportThreads.at(0), std::this_thread::get_id());
  EXPECT_EQ(comm->ReaderError(), "Read Error: 5");
  EXPECT_TRUE(comm->PortOpen());
  EXPECT_NE(comm->Reader(), nullptr);

  // Nothing more is read; writes still go out; ComClose returns.
  const size_t reads = ReadRequests();
  port->Feed("abc");
  comm->Write(AnsiString("xyz"));
  EXPECT_EQ(port->written, "xyz");
  comm->ComClose();
  EXPECT_EQ(ReadRequests(), reads);

  comm->ComInit();
  EXPECT_EQ(comm->ReaderError(), "");
}

TEST_F(ComThreadTest, AnErrorRaisedByTheHandlerEndsTheReader) {
  comm->OnPacketReceived = [](TComport*, AnsiString&) { throw Exception("Send Error: 32"); };
  OpenLink();
  port->Feed("abc");
  ASSERT_TRUE(PumpUntil([&] { return !comm->ReaderError().empty(); }));
  EXPECT_EQ(comm->ReaderError(), "Send Error: 32");

  comm->Write(AnsiString("ok"));
  EXPECT_EQ(port->written, "ok");
}

TEST_F(ComThreadTest, TheErrorHandlerMayReopenTheLink) {
  int reports = 0;
  comm->OnReaderError = [&](const std::string&) {
    ++reports;
    comm->ComInit();
  };
  OpenLink();
  port->FailNextRead(5);
  ASSERT_TRUE(PumpUntil([&] { return reports == 1; }));
  EXPECT_EQ(port->opens, 2);
  EXPECT_EQ(comm->ReaderError(), "");  // the new link reads
  ASSERT_TRUE(PumpUntil([&] { return ReadRequests() >= 2; }));
}

TEST_F(ComThreadTest, AnErrorReportThatComesAfterComCloseIsDropped) {
  std::vector<std::string> reports;
  comm->OnReaderError = [&](const std::string& message) { reports.push_back(message); };
  OpenLink();
  port->FailNextRead(5);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (comm->Reader()->Running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  comm->ComClose();
  ASSERT_TRUE(PumpUntil([&] { return mainThread.Empty(); }));
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(comm->ReaderError(), "");
}

TEST_F(ComThreadTest, PurgeEndsAPendingReadAndReadingGoesOn) {
  RecordDeliveries();
  OpenLink();
  ASSERT_TRUE(port->WaitForReadWaiting(10s));
  comm->Purge();
  EXPECT_EQ(port->purges, 1);
  ASSERT_TRUE(PumpUntil([&] { return ReadRequests() >= 2; }));
  port->Feed("abc");
  ASSERT_TRUE(PumpUntil([&] { return blocks.size() == 1; }));
}

TEST_F(ComThreadTest, AHugePacketSizeIsReadInBoundedBlocks) {
  comm->SetPacketSize(std::numeric_limits<uint32_t>::max());
  comm->ComInit();
  ASSERT_TRUE(port->WaitForReadWaiting(10s));
  EXPECT_EQ(port->Get(&TFakePort::readRequests).front(), TComport::MaxReadSize);
}

}  // namespace
