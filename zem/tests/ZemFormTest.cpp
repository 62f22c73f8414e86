#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "comthread/tests/FakeSerialDevice.h"
#include "comthread/tests/MainThreadPump.h"
#include "platform/HeadlessApplication.h"
#include "testsupport/FakeScreenReader.h"
#include "testsupport/MemorySettingsStore.h"
#include "testsupport/RecordingInput.h"
#include "zem/ZemForm.h"

namespace {

using ::testing::ElementsAre;

// Fake ports: every port opens on the one fake device, except those listed as missing.
class TTestPorts : public ISerialPortFactory {
 public:
  TFakePortFactory fake;
  std::set<uint32_t> missing;
  std::vector<uint32_t> opened;

  std::unique_ptr<ISerialDevice> Open(uint32_t port) override {
    if (missing.count(port)) return nullptr;
    opened.push_back(port);
    return fake.Open(port);
  }
  std::string DeviceName(uint32_t port) override { return fake.DeviceName(port); }
  std::string Written() { return fake.port->Get(&TFakePort::written); }
};

class ZemFormTest : public ::testing::Test {
 protected:
  void Start() {
    form = std::make_unique<TZemForm>(TZemPlatform{app, surface, input, screen, settings, ports});
    form->Show();
  }
  void Stop() { form.reset(); }
  void Restart() {
    Stop();
    Start();
  }

  // Waits until the fake port has received n bytes, running the main thread's jobs meanwhile.
  bool WaitForWritten(std::size_t n) {
    auto& queue = static_cast<TMessageQueue&>(app.MainThread());
    return PumpUntil(queue, [&] { return ports.Written().size() >= n; });
  }

  static std::string Bytes(std::initializer_list<uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
  }

  int64_t StoredInteger(const std::string& name) { return std::get<int64_t>(*settings.Get(name)); }

  THeadlessApplication app;
  TNullWindowSurface surface;
  TRecordingInput input;
  TFakeScreenReader screen;
  TMemorySettingsStore settings;
  TTestPorts ports;
  std::unique_ptr<TZemForm> form;
};

// ---- Start-up and shutdown ----

TEST_F(ZemFormTest, FirstStart_noSettings_designStateAndElevenValuesSavedInOrder) {
  Start();
  EXPECT_EQ(form->Form.Left(), 202);
  EXPECT_EQ(form->Form.Top(), 177);
  EXPECT_EQ(form->Form.Width(), 648);
  EXPECT_EQ(form->Form.Height(), 287);
  EXPECT_EQ(form->Form.Caption(), "Zem");
  EXPECT_TRUE(form->Form.Visible());
  EXPECT_TRUE(form->mnuLandscape->Checked());
  for (TMenuItem* item :
       {form->mnuPortrait, form->mnuMDown, form->mnuFull, form->mnuRelative, form->mnuEnable,
        form->mnuMapFn, form->COM11, form->COM21, form->COM31, form->COM41}) {
    EXPECT_FALSE(item->Checked()) << item->Name();
  }
  EXPECT_FALSE(form->mnuMapFn->Enabled());
  EXPECT_TRUE(ports.opened.empty());
  EXPECT_EQ(form->Form.Shape(), (TWindowShape{{0, 0, 648, 287}, {4, 43, 644, 283}}));
  EXPECT_EQ(form->Comm->BufSize(), 76800u);
  EXPECT_EQ(form->Comm->Baud(), 115000u);
  EXPECT_EQ(form->Comm->Port(), 2u);
  EXPECT_EQ(form->Comm->PacketSize(), 3u);
  EXPECT_EQ(form->Comm->Timeout(), 0u);

  Stop();
  EXPECT_THAT(settings.writeOrder, ElementsAre("COM", "Orientation", "ClientWidth", "ClientHeight",
                                               "Mouse down", "Full screen", "Relative movement",
                                               "Use keyboard", "Map Fn to Alt", "Left", "Top"));
  EXPECT_EQ(StoredInteger("COM"), 0);
  EXPECT_EQ(std::get<std::string>(*settings.Get("Orientation")), "Landscape");
  EXPECT_EQ(StoredInteger("ClientWidth"), 640);
  EXPECT_EQ(StoredInteger("ClientHeight"), 240);
  EXPECT_EQ(StoredInteger("Left"), 202);
  EXPECT_EQ(StoredInteger("Top"), 177);
  for (const char* name :
       {"Mouse down", "Full screen", "Relative movement", "Use keyboard", "Map Fn to Alt"}) {
    EXPECT_EQ(StoredInteger(name), 0) << name;
  }
}

TEST_F(ZemFormTest, RoundTrip_changedSettingsComeBackAtNextStart) {
  Start();
  form->COM31Click();
  form->mnuPortraitClick();
  form->mnuFullClick();
  form->mnuRelativeClick();
  form->mnuEnableClick();
  form->mnuMapFnClick();
  form->mnuMDownClick();
  form->Form.UserMoved(-30, 40);
  Restart();

  EXPECT_TRUE(form->COM31->Checked());
  EXPECT_EQ(ports.opened.back(), 3u);
  EXPECT_NE(form->Comm->Reader(), nullptr);
  EXPECT_TRUE(form->mnuPortrait->Checked());
  EXPECT_FALSE(form->mnuLandscape->Checked());
  EXPECT_EQ(form->Form.ClientWidth(), 240);
  EXPECT_EQ(form->Form.ClientHeight(), 640);
  EXPECT_EQ(form->Form.Left(), -30);
  EXPECT_EQ(form->Form.Top(), 40);
  for (TMenuItem* item :
       {form->mnuFull, form->mnuRelative, form->mnuEnable, form->mnuMapFn, form->mnuMDown}) {
    EXPECT_TRUE(item->Checked()) << item->Name();
  }
  // Restored as checked, but selectable only once the keyboard setting next changes.
  EXPECT_FALSE(form->mnuMapFn->Enabled());
}

struct LoadCase {
  const char* name;
  std::vector<std::pair<std::string, TSettingsValue>> stored;
  int checkedPort;  // 0: none
  bool portrait;
  int32_t clientWidth;
  bool fullScreen;
};

class ZemFormLoadTest : public ZemFormTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(ZemFormLoadTest, LoadStopsAtTheFirstBadValueAndKeepsWhatCameBefore) {
  const LoadCase& c = GetParam();
  for (const auto& [name, value] : c.stored) settings.Set(name, value);
  Start();
  for (uint32_t port = 1; port <= 4; ++port) {
    TMenuItem* items[] = {form->COM11, form->COM21, form->COM31, form->COM41};
    EXPECT_EQ(items[port - 1]->Checked(), static_cast<int>(port) == c.checkedPort) << port;
  }
  EXPECT_EQ(form->mnuPortrait->Checked(), c.portrait);
  EXPECT_EQ(form->mnuLandscape->Checked(), !c.portrait);
  EXPECT_EQ(form->Form.ClientWidth(), c.clientWidth);
  EXPECT_EQ(form->mnuFull->Checked(), c.fullScreen);
  EXPECT_TRUE(app.ShownErrors().empty());
}

const std::vector<std::pair<std::string, TSettingsValue>> Complete(int64_t com,
                                                                   std::string orientation) {
  return {{"COM", com},
          {"Orientation", std::move(orientation)},
          {"ClientWidth", int64_t{500}},
          {"ClientHeight", int64_t{200}},
          {"Left", int64_t{10}},
          {"Top", int64_t{20}},
          {"Full screen", int64_t{1}},
          {"Map Fn to Alt", int64_t{0}},
          {"Mouse down", int64_t{0}},
          {"Relative movement", int64_t{0}},
          {"Use keyboard", int64_t{0}}};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZemFormLoadTest,
    ::testing::Values(
        LoadCase{"complete", Complete(2, "Portrait"), 2, true, 500, true},
        LoadCase{"com0", Complete(0, "Portrait"), 0, true, 500, true},
        LoadCase{"com5", Complete(5, "Portrait"), 0, true, 500, true},
        LoadCase{"com255", Complete(255, "Portrait"), 0, true, 500, true},
        LoadCase{"comMinus1", Complete(-1, "Portrait"), 0, true, 500, true},
        LoadCase{"lowerCasePortrait", Complete(1, "portrait"), 1, false, 500, true},
        LoadCase{"unknownOrientation", Complete(1, "Unknown"), 1, false, 500, true},
        LoadCase{"orientationAsNumber",
                 {{"COM", int64_t{4}}, {"Orientation", int64_t{1}}, {"ClientWidth", int64_t{500}}},
                 4,
                 false,
                 640,
                 false},
        LoadCase{"comAsString",
                 {{"COM", std::string("3")}, {"ClientWidth", int64_t{500}}},
                 0,
                 false,
                 640,
                 false},
        LoadCase{"onlyPortAndOrientation",
                 {{"COM", int64_t{1}}, {"Orientation", std::string("Portrait")}},
                 1,
                 true,
                 640,
                 false},
        LoadCase{"widthOutOfRange",
                 {{"COM", int64_t{1}}, {"ClientWidth", int64_t{1} << 40}},
                 1,
                 false,
                 640,
                 false},
        LoadCase{"fullScreenOfOtherType",
                 {{"COM", int64_t{1}},
                  {"ClientWidth", int64_t{500}},
                  {"ClientHeight", int64_t{9}},
                  {"Left", int64_t{1}},
                  {"Top", int64_t{1}},
                  {"Full screen", TOtherValue{"float"}}},
                 1,
                 false,
                 500,
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ZemFormTest, SavedPortThatDoesNotOpen_itemCheckedLinkClosedRestLoadedAndSavedAgain) {
  for (const auto& [name, value] : Complete(3, "Portrait")) settings.Set(name, value);
  ports.missing = {3};
  Start();
  EXPECT_TRUE(form->COM31->Checked());
  EXPECT_FALSE(form->Comm->PortOpen());
  EXPECT_EQ(form->Comm->ErrorText(), "Comport Unavailable.");
  EXPECT_TRUE(form->mnuPortrait->Checked());
  EXPECT_EQ(form->Form.Top(), 20);
  EXPECT_EQ(app.MessageBoxCount(), 0);
  Stop();
  EXPECT_EQ(StoredInteger("COM"), 3);
}

TEST_F(ZemFormTest, KeyboardRestoredOn_mapFnStaysDisabledUntilTheKeyboardSettingChanges) {
  for (auto [name, value] : Complete(0, "Landscape")) settings.Set(name, value);
  settings.Set("Use keyboard", int64_t{1});
  settings.Set("Map Fn to Alt", int64_t{1});
  Start();
  EXPECT_TRUE(form->mnuEnable->Checked());
  EXPECT_TRUE(form->mnuMapFn->Checked());
  EXPECT_FALSE(form->mnuMapFn->Enabled());
  form->mnuEnableClick();
  form->mnuEnableClick();
  EXPECT_TRUE(form->mnuMapFn->Enabled());
}

TEST_F(ZemFormTest, HiddenAtExit_geometrySavedAndNextStartShowsTheWindow) {
  Start();
  form->HideZEMwindow1Click();
  EXPECT_FALSE(form->Form.Visible());
  Restart();
  EXPECT_TRUE(form->Form.Visible());
  EXPECT_EQ(form->Form.Left(), 202);
}

TEST_F(ZemFormTest, SaveRefused_errorShownValuesAfterItNotWrittenShutdownGoesOn) {
  Start();
  settings.refuseFrom = "ClientHeight";
  Stop();
  EXPECT_THAT(settings.writeOrder, ElementsAre("COM", "Orientation", "ClientWidth"));
  ASSERT_EQ(app.ShownErrors().size(), 1u);
  EXPECT_THAT(app.ShownErrors()[0], ::testing::HasSubstr("Cannot save settings"));
}

TEST_F(ZemFormTest, StartAndStopWithAnOpenPort_sendNothingToTheHandheld) {
  for (const auto& [name, value] : Complete(2, "Portrait")) settings.Set(name, value);
  Start();
  ASSERT_NE(form->Comm->Reader(), nullptr);
  Stop();
  EXPECT_EQ(ports.Written(), "");
}

// ---- Menu commands ----

class ZemFormMenuTest : public ZemFormTest {
 protected:
  void SetUp() override {
    Start();
    form->COM11Click();
    ASSERT_NE(form->Comm->Reader(), nullptr);
  }
};

struct ToggleCase {
  const char* item;
  uint8_t code;
  uint8_t onArgument;
  uint8_t offArgument;
};

TEST_F(ZemFormMenuTest, Toggles_flipTheCheckMarkAndSendTheNewState) {
  const ToggleCase cases[] = {{"mnuMDown", 3, 1, 0},
                              {"mnuFull", 6, 1, 0},
                              {"mnuRelative", 9, 0, 1},
                              {"mnuMapFn", 13, 1, 0},
                              {"mnuEnable", 14, 1, 0}};
  for (const ToggleCase& c : cases) {
    TMenuItem* item = nullptr;
    for (TMenuItem* candidate :
         {form->mnuMDown, form->mnuFull, form->mnuRelative, form->mnuMapFn, form->mnuEnable}) {
      if (candidate->Name() == c.item) item = candidate;
    }
    ASSERT_NE(item, nullptr);
    const std::size_t before = ports.Written().size();
    item->Click();
    EXPECT_TRUE(item->Checked()) << c.item;
    item->Click();
    EXPECT_FALSE(item->Checked()) << c.item;
    EXPECT_EQ(ports.Written().substr(before),
              Bytes({0xFF, c.code, c.onArgument, 0xFF, c.code, c.offArgument}))
        << c.item;
  }
}

TEST_F(ZemFormMenuTest, Enable_switchesMapFnSelectableAndKeepsItsCheckMark) {
  form->mnuEnableClick();
  EXPECT_TRUE(form->mnuMapFn->Enabled());
  form->mnuMapFnClick();
  form->mnuEnableClick();
  EXPECT_FALSE(form->mnuMapFn->Enabled());
  EXPECT_TRUE(form->mnuMapFn->Checked());
}

TEST_F(ZemFormMenuTest, Orientation_swapsTheClientOnceAndTellsTheHandheld) {
  form->mnuLandscapeClick();  // already landscape: nothing at all
  EXPECT_EQ(ports.Written(), "");
  EXPECT_EQ(form->Form.ClientWidth(), 640);

  form->mnuPortraitClick();
  EXPECT_TRUE(form->mnuPortrait->Checked());
  EXPECT_FALSE(form->mnuLandscape->Checked());
  EXPECT_EQ(form->Form.ClientWidth(), 240);
  EXPECT_EQ(form->Form.ClientHeight(), 640);
  EXPECT_EQ(form->Form.Shape().outer, (TRect{0, 0, 248, 687}));
  EXPECT_EQ(ports.Written(), Bytes({0xFF, 1, 1}));

  form->mnuPortraitClick();
  form->mnuLandscapeClick();
  EXPECT_EQ(form->Form.ClientWidth(), 640);
  EXPECT_EQ(ports.Written(), Bytes({0xFF, 1, 1, 0xFF, 1, 0}));
}

TEST_F(ZemFormMenuTest, OrientationWithTheLinkClosed_changesTheWindowAndRecordsTheClosedLink) {
  form->COM11Click();  // closes the link
  form->mnuPortraitClick();
  EXPECT_TRUE(form->mnuPortrait->Checked());
  EXPECT_EQ(form->Form.ClientWidth(), 240);
  EXPECT_EQ(ports.Written(), "");
  EXPECT_EQ(form->Comm->ErrorText(), "Com not initialized.");
  EXPECT_FALSE(form->Comm->PortOpen());
}

TEST_F(ZemFormMenuTest, ResetToOriginal_followsTheOrientationAndSendsNothing) {
  form->Form.UserResized(300, 300);
  form->Resettooriginal1Click();
  EXPECT_EQ(form->Form.ClientWidth(), 640);
  EXPECT_EQ(form->Form.ClientHeight(), 240);
  form->mnuPortraitClick();
  form->Form.UserResized(300, 300);
  form->Resettooriginal1Click();
  EXPECT_EQ(form->Form.ClientWidth(), 240);
  EXPECT_EQ(form->Form.ClientHeight(), 640);
  EXPECT_EQ(ports.Written(), Bytes({0xFF, 1, 1}));
}

TEST_F(ZemFormMenuTest, PortItems_chooseCloseReopenAndSwitch) {
  // Choosing the checked item closes the link and keeps the port number.
  form->COM11Click();
  EXPECT_FALSE(form->COM11->Checked());
  EXPECT_EQ(form->Comm->Reader(), nullptr);
  EXPECT_EQ(form->Comm->Port(), 1u);
  form->mnuFullClick();
  EXPECT_TRUE(form->mnuFull->Checked());
  EXPECT_EQ(ports.Written(), "");

  form->COM11Click();
  EXPECT_TRUE(form->COM11->Checked());
  EXPECT_NE(form->Comm->Reader(), nullptr);

  form->COM31Click();
  EXPECT_THAT(ports.opened, ElementsAre(1u, 1u, 3u));
  EXPECT_FALSE(form->COM11->Checked());
  EXPECT_TRUE(form->COM31->Checked());
  EXPECT_EQ(form->Comm->Port(), 3u);
}

TEST_F(ZemFormMenuTest, PortThatDoesNotExist_checkedNoMessageAndTogglesSendNothing) {
  ports.missing = {4};
  form->COM41Click();
  EXPECT_TRUE(form->COM41->Checked());
  EXPECT_FALSE(form->COM11->Checked());
  EXPECT_FALSE(form->Comm->PortOpen());
  EXPECT_EQ(form->Comm->ErrorText(), "Comport Unavailable.");
  EXPECT_EQ(app.MessageBoxCount(), 0);
  form->mnuMDownClick();
  form->GetfromPsion1Click();
  form->SendtoPsion1Click();
  EXPECT_EQ(ports.Written(), "");
}

TEST_F(ZemFormMenuTest, Hide_hidesAndTellsTheHandheldOnlyWhenTheLinkIsOpen) {
  form->HideZEMwindow1Click();
  EXPECT_FALSE(form->Form.Visible());
  EXPECT_EQ(ports.Written(), Bytes({0xFF, 7, 1}));

  form->Form.SetVisible(true);
  form->COM11Click();
  form->HideZEMwindow1Click();
  EXPECT_FALSE(form->Form.Visible());
  EXPECT_EQ(ports.Written(), Bytes({0xFF, 7, 1}));
}

TEST_F(ZemFormMenuTest, GetAndSendSettings) {
  form->GetfromPsion1Click();
  EXPECT_EQ(ports.Written(), Bytes({0xFF, 0xA0, 0}));
  form->SendtoPsion1Click();
  EXPECT_EQ(ports.Written().substr(3), Bytes({0xFF, 1, 0, 0xFF, 3,  0, 0xFF, 6,  0, 0xFF, 7, 0,
                                              0xFF, 9, 1, 0xFF, 13, 0, 0xFF, 14, 0}));
}

TEST_F(ZemFormMenuTest, FailedWrite_raisesAndKeepsTheCheckMark) {
  ports.fake.port->writeError = 5;
  EXPECT_THROW(form->mnuFullClick(), Exception);
  EXPECT_TRUE(form->mnuFull->Checked());
}

TEST_F(ZemFormMenuTest, HelpAboutAndExit) {
  form->HelponZEM1Click();
  EXPECT_EQ(app.LastMessageText(), "See the help file on the Psion for futher information.");
  EXPECT_EQ(app.LastMessageCaption(), "Help on ZEM");
  EXPECT_EQ(app.LastMessageFlags(), MB_OK);
  form->AboutZEM1Click();
  EXPECT_EQ(app.LastMessageText().rfind("Version 1.00F\r\n\r\n", 0), 0u);
  EXPECT_EQ(app.LastMessageCaption(), "About ZEM");
  EXPECT_FALSE(app.Terminated());
  form->Exit1Click();
  EXPECT_TRUE(app.Terminated());
}

TEST_F(ZemFormMenuTest, MenuTree_captionsInDisplayOrder) {
  std::vector<std::string> captions;
  std::function<void(const TMenuItem&)> walk = [&](const TMenuItem& item) {
    for (const auto& child : item.Items()) {
      captions.push_back(child->Caption());
      walk(*child);
    }
  };
  walk(form->MainMenu1);
  EXPECT_THAT(captions,
              ElementsAre("&File", "E&xit", "&Connection", "COM1", "COM2", "COM3", "COM4",
                          "&Settings", "&Always Mouse Down", "&Hide ZEM Window", "Use &Full Screen",
                          "Use Relative &Movement", "-", "Orientation", "&Landscape", "&Portrait",
                          "Size", "Reset to Original", "&Remote", "Send Screen", "-", "Keyboard",
                          "Enable", "Map Fn to Alt", "Settings", "Get from Psion", "Send to Psion",
                          "&Help", "Help on ZEM", "-", "&About..."));
}

// ---- Blocks from the handheld, through the link ----

TEST_F(ZemFormMenuTest, BlocksFromTheLink_changeSettingsAndAreAnswered) {
  ports.fake.port->Feed(Bytes({0xFF, 1, 1}));
  auto& queue = static_cast<TMessageQueue&>(app.MainThread());
  ASSERT_TRUE(PumpUntil(queue, [&] { return form->mnuPortrait->Checked(); }));
  EXPECT_EQ(form->Form.ClientWidth(), 240);

  ports.fake.port->Feed(Bytes({0xFF, 0xA0, 0}));
  ASSERT_TRUE(WaitForWritten(21));
  EXPECT_EQ(ports.Written().substr(0, 3), Bytes({0xFF, 1, 1}));
}

TEST_F(ZemFormMenuTest, PenPackets_askForTheScreenOnlyInFullScreenMode) {
  auto& queue = static_cast<TMessageQueue&>(app.MainThread());
  ports.fake.port->Feed(Bytes({0x01, 0x2C, 0x78}));
  ASSERT_TRUE(PumpUntil(queue, [&] { return input.events.size() == 1; }));
  EXPECT_EQ(input.events[0], TInputEvent::Cursor(506, 340));
  EXPECT_EQ(screen.primaryScreenQueries, 0);

  form->mnuFullClick();
  ports.fake.port->Feed(Bytes({0x01, 0x2C, 0x78}));
  ASSERT_TRUE(PumpUntil(queue, [&] { return input.events.size() == 2; }));
  EXPECT_EQ(input.events[1], TInputEvent::Cursor(480, 384));  // on the 1024 x 768 screen
  EXPECT_EQ(screen.primaryScreenQueries, 1);
}

TEST_F(ZemFormMenuTest, ScreenRequest_sendsTheWholeAnswer) {
  screen.colour = [](int32_t, int32_t) { return 0x00FF0000u; };  // pure blue: 15
  form->SendScreen1Click();
  const std::string written = ports.Written();
  ASSERT_EQ(written.size(), 76803u);
  EXPECT_EQ(written.substr(0, 4), Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
}

}  // namespace
