#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "control_ids.h"
#include "device_setup_presenter.h"
#include "fixed_text.h"
#include "headless_view.h"
#include "jpos_writer.h"
#include "main_dialog_presenter.h"
#include "settings_ops.h"
#include "../support/temp_dir.h"

namespace quarvel {
namespace {

using testing::ReadBytes;
using testing::TempDir;

// The device dialog as a person uses it: the test's `user` acts on the
// initialised view, then OK (true) or Cancel (false).
using User = std::function<bool(HeadlessView&, DeviceSetupPresenter&)>;

bool ClickOk(HeadlessView& view, DeviceSetupPresenter& dialog) {
  std::string refusal;
  return dialog.OnOk(view, refusal);
}

class FakeServices : public DialogServices {
 public:
  std::optional<std::string> ChooseSaveFile() override { return saveChoice; }
  std::optional<std::string> ChooseOpenFile() override { return openChoice; }
  void ShowMessage(std::string_view text, std::string_view caption) override {
    messages.push_back(std::string(caption) + ": " + std::string(text));
  }
  bool RunDeviceDialog(SetupData& working) override {
    lastDialog = HeadlessView();
    DeviceSetupPresenter dialog(working);
    dialog.Initialise(lastDialog);
    return user ? user(lastDialog, dialog) : false;
  }
  void HideMainDialog() override { hidden = true; }

  std::optional<std::string> saveChoice, openChoice;
  std::vector<std::string> messages;
  User user;
  HeadlessView lastDialog;
  bool hidden = false;
};

class MainDialog : public ::testing::Test {
 protected:
  void SetUp() override { main.Initialise(); }
  // S and H for each of 1029 1013 1000 1001 1009 1007 1010 1008 1011 1012.
  std::string Views() {
    std::string shown;
    for (int id : {IDC_QUARVEL_GROUP, IDC_XML_GROUP, IDC_CREATE_NEW, IDC_EDIT_EXISTING, IDC_ADD_PRINTER,
                   IDC_DELETE_PRINTER, IDC_ADD_DRAWER, IDC_DELETE_DRAWER, IDC_SAVE, IDC_CANCEL_EDIT}) {
      shown += view.Visible(id) ? 'S' : 'H';
    }
    return shown;
  }
  void AddPrinter(User user) {
    services.user = std::move(user);
    main.OnAddPrinter();
  }
  void AddDrawer(User user) {
    services.user = std::move(user);
    main.OnAddCashDrawer();
  }

  HeadlessView view;
  FakeServices services;
  MainDialogPresenter main{view, services};
  const std::string kStart = "SHSSHHHHHH";
  const std::string kEditing = "HSHHSHSHHH";
};

TEST_F(MainDialog, CreateNewThenCancel) {
  EXPECT_EQ(Views(), kStart);
  main.OnCreateNewFile();
  EXPECT_EQ(Views(), kEditing);
  EXPECT_EQ(main.Settings().mode, SetupMode::NewFile);
  AddPrinter(ClickOk);
  EXPECT_EQ(Views(), "HSHHSSSHSS");
  EXPECT_EQ(view.Text(IDC_ADD_PRINTER), "Modify Printer Device");
  main.OnCancelEdit();
  EXPECT_EQ(Views(), kStart);
  EXPECT_EQ(view.Text(IDC_ADD_PRINTER), "Add Printer Device");
  EXPECT_EQ(view.Text(IDC_ADD_DRAWER), "Add CashDrawer Device");
  EXPECT_EQ(TextOf(main.Path().text), "");
  EXPECT_EQ(main.Settings().printerPresent, 0);
}

TEST_F(MainDialog, CancelledDeviceDialogChangesNothing) {
  main.OnCreateNewFile();
  AddPrinter([](HeadlessView& v, DeviceSetupPresenter&) {
    v.SetText(IDC_LOGICAL_NAME, "Changed");
    return false;
  });
  EXPECT_EQ(Views(), kEditing);
  EXPECT_EQ(main.Settings().printerPresent, 0);
  EXPECT_EQ(TextOf(main.Settings().printer.logicalName), "");
}

TEST_F(MainDialog, DeletesAndTheStartView) {
  main.OnCreateNewFile();
  AddPrinter(ClickOk);
  main.OnDeletePrinter();  // the last device of a new file
  EXPECT_EQ(Views(), kStart);

  main.OnCreateNewFile();
  AddPrinter(ClickOk);
  AddDrawer(ClickOk);
  EXPECT_EQ(Views(), "HSHHSSSSSS");
  main.OnDeletePrinter();
  EXPECT_EQ(Views(), "HSHHSHSSSS");
  EXPECT_EQ(view.Text(IDC_ADD_PRINTER), "Add Printer Device");
}

TEST_F(MainDialog, TcpAddressSurvivesAChangeToCom1) {
  main.OnCreateNewFile();
  AddPrinter([](HeadlessView& v, DeviceSetupPresenter& d) {
    v.Select(IDC_PORT_NAME, kTcpPortIndex);
    d.OnPortSelectionChanged(v);
    v.SetAddress(IDC_IP_ADDRESS, {10, 1, 2, 3});
    v.SetText(IDC_PORT_NUMBER, "9101");
    return ClickOk(v, d);
  });
  AddPrinter([](HeadlessView& v, DeviceSetupPresenter& d) {
    EXPECT_EQ(v.SelectedText(IDC_PORT_NAME), "TCP/IP");
    EXPECT_EQ(v.Text(IDC_PORT_NUMBER), "9101");
    EXPECT_EQ(v.Address(IDC_IP_ADDRESS), (std::array<uint8_t, 4>{10, 1, 2, 3}));
    v.Select(IDC_PORT_NAME, 0);
    d.OnPortSelectionChanged(v);
    return ClickOk(v, d);
  });
  const PrinterSettings& p = main.Settings().printer;
  EXPECT_EQ(p.portIndex, 0);
  EXPECT_EQ(TextOf(p.portName), "COM1");
  EXPECT_EQ(p.portNumber, 9101);
  EXPECT_EQ(p.ipAddress[0], 10);
}

TEST_F(MainDialog, SaveWritesTheFileAndReturnsToTheStart) {
  TempDir dir;
  main.OnCreateNewFile();
  AddDrawer(ClickOk);
  services.saveChoice = std::nullopt;  // the user cancels Save As
  main.SaveConfigFile();
  EXPECT_EQ(Views(), "HSHHSHSSSS");
  services.saveChoice = dir.File("till");
  SetupData expected = main.Settings();
  main.SaveConfigFile();
  EXPECT_EQ(ReadBytes(dir.File("till.xml")), FormatConfigFile(expected));
  EXPECT_EQ(Views(), kStart);
  EXPECT_EQ(main.Settings().drawerPresent, 0);
  EXPECT_EQ(main.Settings().mode, SetupMode::NewFile);  // kept until the next command
  EXPECT_EQ(TextOf(main.Path().text), "");
}

TEST_F(MainDialog, FailedSaveKeepsEverything) {
  TempDir dir;
  main.OnCreateNewFile();
  AddPrinter(ClickOk);
  services.saveChoice = dir.File("missing/dir/x.xml");
  main.SaveConfigFile();
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].rfind("Quarvel: Open File Failed!!!\n\n", 0), 0u);  // and why
  EXPECT_GT(services.messages[0].size(), std::string("Quarvel: Open File Failed!!!\n\n").size());
  EXPECT_EQ(main.Settings().printerPresent, 1);
  EXPECT_EQ(TextOf(main.Path().text), dir.File("missing/dir/x.xml"));
  EXPECT_EQ(Views(), "HSHHSSSHSS");
}

TEST_F(MainDialog, LoadShowsWhatTheFileHolds) {
  TempDir dir;
  services.openChoice = std::nullopt;
  main.LoadConfigFile();
  EXPECT_EQ(Views(), kStart);

  SetupData printerOnly;
  ConfigPath unused;
  ResetSettings(printerOnly, unused);
  printerOnly.printerPresent = 1;
  StoreText(printerOnly.printer.portName, "COM2");
  printerOnly.printer.portIndex = 1;
  ASSERT_TRUE(quarvel::SaveConfigFile(dir.File("p.xml"), printerOnly).ok);
  services.openChoice = dir.File("p.xml");
  main.LoadConfigFile();
  EXPECT_EQ(Views(), kEditing);
  EXPECT_EQ(view.Text(IDC_ADD_PRINTER), "Modify Printer Device");
  EXPECT_EQ(view.Text(IDC_ADD_DRAWER), "Add CashDrawer Device");
  EXPECT_EQ(main.Settings().mode, SetupMode::EditFile);

  // Modified and saved in place, without a file dialog.
  AddPrinter([](HeadlessView& v, DeviceSetupPresenter& d) {
    v.SetText(IDC_LOGICAL_NAME, "Renamed");
    return ClickOk(v, d);
  });
  services.saveChoice = dir.File("never-asked.xml");
  main.SaveConfigFile();
  EXPECT_NE(ReadBytes(dir.File("p.xml")).find("logicalName=\"Renamed\""), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("never-asked.xml")));
}

TEST_F(MainDialog, LoadReportsUnreadableFilesAndUnknownRates) {
  TempDir dir;
  services.openChoice = dir.File("absent.xml");
  main.LoadConfigFile();
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].rfind("Quarvel: Open File Failed!!!\n\n", 0), 0u);
  EXPECT_EQ(Views(), kStart);

  testing::WriteBytes(dir.File("odd.xml"),
                      "<JposEntry logicalName=\"P\">\nx\n<jpos category=\"POSPrinter\"/>\n"
                      "<prop name=\"portName\" value=\"COM1\"/>\n<prop name=\"portSettings\" value=\"300\"/>\n"
                      "</JposEntry>\n");
  services.openChoice = dir.File("odd.xml");
  main.LoadConfigFile();
  EXPECT_EQ(services.messages.back(), "ERROR: Printer : Unknown Settings");
  AddPrinter([](HeadlessView& v, DeviceSetupPresenter&) {
    EXPECT_EQ(v.SelectedText(IDC_BAUD_RATE), "9600");
    return false;
  });
}

// The automation object's lifetime: it holds the program while it lives and
// the dialog only hides meanwhile; releasing it ends a program that a client
// started, never one the user started.
TEST_F(MainDialog, AnAttachedAutomationClientOnlyHidesTheDialog) {
  int ended = 0;
  ProgramLifetime program([&] { ++ended; });
  EXPECT_TRUE(main.MayCloseDialog());
  {
    ProxyLink proxy(program, &main);
    EXPECT_EQ(main.AttachedProxy(), &proxy);
    EXPECT_EQ(program.Locks(), 1);
    EXPECT_FALSE(main.MayCloseDialog());
    EXPECT_TRUE(services.hidden);
  }
  EXPECT_EQ(main.AttachedProxy(), nullptr);
  EXPECT_TRUE(main.MayCloseDialog());
  EXPECT_EQ(ended, 0);  // the user started it: it stays

  program.SetUserControl(false);
  {
    ProxyLink first(program, &main);
    ProxyLink second(program, nullptr);  // created while no dialog ran
  }
  EXPECT_EQ(ended, 1);  // once, when the last lock went
}

TEST(AutomationLink, ADialogDestroyedFirstClearsTheProxysLink) {
  int ended = 0;
  ProgramLifetime program([&] { ++ended; });
  program.SetUserControl(false);
  HeadlessView view;
  FakeServices services;
  auto dialog = std::make_unique<MainDialogPresenter>(view, services);
  ProxyLink proxy(program, dialog.get());
  dialog.reset();
  EXPECT_EQ(proxy.OwnerDialog(), nullptr);
  EXPECT_EQ(ended, 0);
}

// The device dialog on its own.
class DeviceDialog : public ::testing::Test {
 protected:
  DeviceSetupPresenter Open(DeviceKind kind) {
    data.editKind = kind;
    DeviceSetupPresenter dialog(data);
    dialog.Initialise(view);
    return dialog;
  }
  void SetUp() override {
    ConfigPath unused;
    ResetSettings(data, unused);
  }
  SetupData data;
  HeadlessView view;
};

TEST_F(DeviceDialog, NewPrinterDefaults) {
  Open(DeviceKind::Printer);
  EXPECT_EQ(view.Text(IDC_LOGICAL_NAME), "POSPrinter");
  EXPECT_EQ(view.SelectedText(IDC_PORT_NAME), "COM1");
  EXPECT_EQ(view.SelectedText(IDC_BAUD_RATE), "9600");
  EXPECT_TRUE(view[IDC_BAUD_RATE].enabled);
  EXPECT_EQ(view.SelectedText(IDC_DEVICE_TYPE), "Thermal");
  for (int id : {IDC_IP_ADDRESS, IDC_PORT_NUMBER, IDC_IP_LABEL, IDC_PORT_NUMBER_LABEL, IDC_DRAWER_GROUP,
                 IDC_PIN_NUMBER, IDC_PULSE_ON, IDC_PULSE_OFF, IDC_PIN_LABEL}) {
    EXPECT_FALSE(view.Visible(id)) << id;
  }
  EXPECT_EQ(view[IDC_PORT_NAME].items.size(), 14u);
  EXPECT_EQ(view[IDC_PORT_NAME].items[13], "TCP/IP");
}

TEST_F(DeviceDialog, NewCashDrawerDefaults) {
  data.drawer.pinIndex = 1;
  Open(DeviceKind::CashDrawer);
  EXPECT_EQ(view.Text(IDC_LOGICAL_NAME), "CashDrawer");
  EXPECT_EQ(view.SelectedText(IDC_PIN_NUMBER), "2");
  EXPECT_EQ(data.drawer.pinIndex, 0);
  EXPECT_EQ(view.Text(IDC_PULSE_ON), "200");
  EXPECT_EQ(view.Text(IDC_PULSE_OFF), "400");
  EXPECT_TRUE(view.Visible(IDC_DRAWER_GROUP));
}

TEST_F(DeviceDialog, PortRule) {
  auto dialog = Open(DeviceKind::Printer);
  view.Select(IDC_PORT_NAME, kTcpPortIndex);
  dialog.OnPortSelectionChanged(view);
  EXPECT_TRUE(view.Visible(IDC_IP_ADDRESS));
  EXPECT_EQ(view.Address(IDC_IP_ADDRESS), (std::array<uint8_t, 4>{192, 168, 0, 192}));
  EXPECT_EQ(view.Text(IDC_PORT_NUMBER), "9100");
  EXPECT_FALSE(view[IDC_BAUD_RATE].enabled);
  view.Select(IDC_PORT_NAME, 10);  // LPT2
  dialog.OnPortSelectionChanged(view);
  EXPECT_FALSE(view.Visible(IDC_IP_ADDRESS));
  EXPECT_FALSE(view[IDC_BAUD_RATE].enabled);
  view.Select(IDC_PORT_NAME, 2);  // COM3
  dialog.OnPortSelectionChanged(view);
  EXPECT_TRUE(view[IDC_BAUD_RATE].enabled);
  EXPECT_EQ(view.SelectedText(IDC_BAUD_RATE), "9600");
}

TEST_F(DeviceDialog, OkParsesAndStoresWhatWasEntered) {
  auto dialog = Open(DeviceKind::CashDrawer);
  view.SetText(IDC_LOGICAL_NAME, std::string(80, 'n'));
  view.Select(IDC_PORT_NAME, 9);
  view.Select(IDC_BAUD_RATE, 3);
  view.SetText(IDC_PULSE_ON, "12ms");
  view.SetText(IDC_PULSE_OFF, "  -99999999999");
  view.Select(IDC_PIN_NUMBER, 1);
  std::string refusal;
  ASSERT_TRUE(dialog.OnOk(view, refusal));
  EXPECT_EQ(TextOf(data.drawer.logicalName), std::string(63, 'n'));
  EXPECT_EQ(TextOf(data.drawer.portName), "LPT1");
  EXPECT_EQ(data.drawer.baudIndex, 3);  // also from a disabled list
  EXPECT_EQ(data.drawer.pulseOnTime, 12);
  EXPECT_EQ(data.drawer.pulseOffTime, -2147483647 - 1);
  EXPECT_EQ(data.drawer.pinIndex, 1);
}

TEST_F(DeviceDialog, OkTcpKeepsTheRateAndTakesTheNumberAsEntered) {
  data.printer.baudIndex = 4;
  data.printerPresent = 1;
  auto dialog = Open(DeviceKind::Printer);
  view.Select(IDC_PORT_NAME, kTcpPortIndex);
  dialog.OnPortSelectionChanged(view);
  view.SetText(IDC_PORT_NUMBER, "70000");
  std::string refusal;
  ASSERT_TRUE(dialog.OnOk(view, refusal));
  EXPECT_EQ(data.printer.baudIndex, 4);
  EXPECT_EQ(data.printer.portNumber, 70000);
}

TEST_F(DeviceDialog, OkWithoutASelectionIsRefused) {
  auto dialog = Open(DeviceKind::Printer);
  view.Select(IDC_PORT_NAME, -1);
  std::string refusal;
  EXPECT_FALSE(dialog.OnOk(view, refusal));
  EXPECT_EQ(refusal, kNoPortSelected);
  view.Select(IDC_PORT_NAME, 1);
  view.Select(IDC_BAUD_RATE, -1);
  EXPECT_FALSE(dialog.OnOk(view, refusal));
  EXPECT_EQ(refusal, kNoRateSelected);
}

TEST_F(DeviceDialog, RateOutsideTheListShowsAs9600AndDeletedShows4800) {
  data.printerPresent = 1;
  data.printer.baudIndex = 42;
  Open(DeviceKind::Printer);
  EXPECT_EQ(view.SelectedText(IDC_BAUD_RATE), "9600");

  view = HeadlessView();
  data.printerPresent = 0;
  data.printer.baudIndex = 0;  // as Delete leaves it
  auto dialog = Open(DeviceKind::Printer);
  view.Select(IDC_PORT_NAME, 3);
  dialog.OnPortSelectionChanged(view);
  EXPECT_EQ(view.SelectedText(IDC_BAUD_RATE), "4800");
}

}  // namespace
}  // namespace quarvel
