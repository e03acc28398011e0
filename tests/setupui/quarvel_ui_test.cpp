// Quarvel.exe driven from outside, as a technician would: its real dialogs,
// created from their templates, operated by window messages (clicks, combo
// selections with their notifications, typing, the IP address control and
// the common file dialogs). Runs under Wine with a display.
#include <windows.h>
// windows.h first
#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "control_ids.h"
#include "fixed_text.h"
#include "jpos_writer.h"
#include "settings_ops.h"
#include "../support/temp_dir.h"

namespace quarvel {
namespace {

constexpr int kFileNameBox = 0x47C;  // the file name combo box of the common file dialogs

HWND WaitForDialog(const wchar_t* title, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    HWND found = FindWindowW(L"#32770", title);
    if (found != nullptr && IsWindowVisible(found)) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

bool WaitGone(HWND window, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// A click as the dialog sees it; posted, since it may open a modal dialog.
void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Type(HWND dialog, int id, const std::wstring& text) {
  SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring TextOfControl(HWND dialog, int id) {
  wchar_t text[256] = L"";
  SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  return text;
}

void Choose(HWND dialog, int id, int index) {
  HWND combo = GetDlgItem(dialog, id);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int Selected(HWND dialog, int id) { return static_cast<int>(SendMessageW(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0)); }
bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

std::string Views(HWND main) {
  std::string shown;
  for (int id : {IDC_QUARVEL_GROUP, IDC_XML_GROUP, IDC_CREATE_NEW, IDC_EDIT_EXISTING, IDC_ADD_PRINTER,
                 IDC_DELETE_PRINTER, IDC_ADD_DRAWER, IDC_DELETE_DRAWER, IDC_SAVE, IDC_CANCEL_EDIT}) {
    shown += Visible(main, id) ? 'S' : 'H';
  }
  return shown;
}

// Answers a common file dialog with a path.
void AnswerFileDialog(const wchar_t* title, const std::wstring& path) {
  HWND files = WaitForDialog(title);
  ASSERT_NE(files, nullptr) << "no file dialog";
  HWND box = GetDlgItem(files, kFileNameBox);
  if (box == nullptr) box = GetDlgItem(files, 0x480);  // the older layout's edit field
  SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PostMessageW(files, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(files, IDOK)));
  ASSERT_TRUE(WaitGone(files));
}

class QuarvelExe : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring command = L"Quarvel.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process_));
    main_ = WaitForDialog(L"JavaPOS Setup 1.xx");
    ASSERT_NE(main_, nullptr);
  }
  void TearDown() override {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 9);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  DWORD ExitCode(int timeoutMs = 10000) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0)
      GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }
  HWND OpenDeviceDialog(int button) {
    Click(main_, button);
    return WaitForDialog(L"JavaPOS Setup Dialog");
  }

  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
};

TEST_F(QuarvelExe, CreateEditSaveAndReadBack) {
  testing::TempDir dir;
  EXPECT_EQ(Views(main_), "SHSSHHHHHH");
  Click(main_, IDC_CREATE_NEW);
  ASSERT_TRUE([&] {
    for (int i = 0; i < 200 && Views(main_) != "HSHHSHSHHH"; ++i) Sleep(10);
    return Views(main_) == "HSHHSHSHHH";
  }());

  // A new printer: the defaults, then TCP/IP with an address and a port number.
  HWND device = OpenDeviceDialog(IDC_ADD_PRINTER);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(TextOfControl(device, IDC_LOGICAL_NAME), L"POSPrinter");
  EXPECT_EQ(Selected(device, IDC_PORT_NAME), 0);
  EXPECT_EQ(Selected(device, IDC_BAUD_RATE), 1);
  EXPECT_FALSE(Visible(device, IDC_DRAWER_GROUP));
  EXPECT_FALSE(Visible(device, IDC_IP_ADDRESS));
  Choose(device, IDC_PORT_NAME, kTcpPortIndex);
  EXPECT_TRUE(Visible(device, IDC_IP_ADDRESS));
  EXPECT_TRUE(Visible(device, IDC_PORT_NUMBER));
  EXPECT_FALSE(Enabled(device, IDC_BAUD_RATE));
  EXPECT_EQ(TextOfControl(device, IDC_PORT_NUMBER), L"9100");
  Type(device, IDC_LOGICAL_NAME, L"Front Till");
  SendMessageW(GetDlgItem(device, IDC_IP_ADDRESS), IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 1, 2, 3));
  Type(device, IDC_PORT_NUMBER, L"9101");
  Click(device, IDOK);
  ASSERT_TRUE(WaitGone(device));
  EXPECT_EQ(TextOfControl(main_, IDC_ADD_PRINTER), L"Modify Printer Device");
  EXPECT_EQ(Views(main_), "HSHHSSSHSS");

  // A cash drawer on COM3 at 19200, pin 5.
  device = OpenDeviceDialog(IDC_ADD_DRAWER);
  ASSERT_NE(device, nullptr);
  EXPECT_TRUE(Visible(device, IDC_DRAWER_GROUP));
  EXPECT_EQ(TextOfControl(device, IDC_PULSE_ON), L"200");
  Choose(device, IDC_PORT_NAME, 2);
  EXPECT_TRUE(Enabled(device, IDC_BAUD_RATE));
  Choose(device, IDC_BAUD_RATE, 2);
  Choose(device, IDC_PIN_NUMBER, 1);
  Click(device, IDOK);
  ASSERT_TRUE(WaitGone(device));

  // Save through the real Save As dialog.
  Click(main_, IDC_SAVE);
  AnswerFileDialog(L"Save As", std::filesystem::path(dir.File("till")).wstring());
  for (int i = 0; i < 200 && Views(main_) != "SHSSHHHHHH"; ++i) Sleep(10);
  EXPECT_EQ(Views(main_), "SHSSHHHHHH");

  SetupData expected;
  ConfigPath unused;
  ResetSettings(expected, unused);
  expected.printerPresent = 1;
  expected.printer.portIndex = kTcpPortIndex;
  StoreText(expected.printer.logicalName, "Front Till");
  expected.printer.ipAddress[0] = 10;
  expected.printer.ipAddress[1] = 1;
  expected.printer.ipAddress[2] = 2;
  expected.printer.ipAddress[3] = 3;
  expected.printer.portNumber = 9101;
  expected.drawerPresent = 1;
  expected.drawer.portIndex = 2;
  StoreText(expected.drawer.logicalName, "CashDrawer");
  StoreText(expected.drawer.portName, "COM3");
  expected.drawer.baudIndex = 2;
  expected.drawer.pinIndex = 1;
  expected.drawer.pulseOnTime = 200;
  expected.drawer.pulseOffTime = 400;
  EXPECT_EQ(testing::ReadBytes(dir.File("till.xml")), FormatConfigFile(expected));

  // Read back through the Open dialog: both devices, their values in the dialog.
  Click(main_, IDC_EDIT_EXISTING);
  AnswerFileDialog(L"Open", std::filesystem::path(dir.File("till.xml")).wstring());
  for (int i = 0; i < 200 && Views(main_) != "HSHHSHSHHH"; ++i) Sleep(10);
  EXPECT_EQ(TextOfControl(main_, IDC_ADD_PRINTER), L"Modify Printer Device");
  EXPECT_EQ(TextOfControl(main_, IDC_ADD_DRAWER), L"Modify CashDrawer Device");
  device = OpenDeviceDialog(IDC_ADD_PRINTER);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(Selected(device, IDC_PORT_NAME), kTcpPortIndex);
  EXPECT_EQ(TextOfControl(device, IDC_PORT_NUMBER), L"9101");
  EXPECT_EQ(TextOfControl(device, IDC_LOGICAL_NAME), L"Front Till");
  Click(device, IDCANCEL);
  ASSERT_TRUE(WaitGone(device));

  Click(main_, IDOK);  // Exit
  EXPECT_EQ(ExitCode(), static_cast<DWORD>(IDOK));
}

TEST_F(QuarvelExe, AboutBoxAndEscape) {
  PostMessageW(main_, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  HWND about = WaitForDialog(L"About Quarvel");
  ASSERT_NE(about, nullptr);
  Click(about, IDOK);
  ASSERT_TRUE(WaitGone(about));
  PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);  // Escape
  EXPECT_EQ(ExitCode(), static_cast<DWORD>(IDCANCEL));
}

TEST_F(QuarvelExe, RefusedOkAndAFailedSave) {
  testing::TempDir dir;
  Click(main_, IDC_CREATE_NEW);
  HWND device = OpenDeviceDialog(IDC_ADD_PRINTER);
  ASSERT_NE(device, nullptr);
  SendMessageW(GetDlgItem(device, IDC_PORT_NAME), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  Click(device, IDOK);
  HWND refusal = WaitForDialog(L"Quarvel");
  ASSERT_NE(refusal, nullptr);
  Click(refusal, IDOK);
  ASSERT_TRUE(WaitGone(refusal));
  EXPECT_TRUE(IsWindowVisible(device));  // still open
  Choose(device, IDC_PORT_NAME, 12);
  Click(device, IDOK);
  ASSERT_TRUE(WaitGone(device));

  Click(main_, IDC_SAVE);
  AnswerFileDialog(L"Save As", std::filesystem::path(dir.File("no-such-dir\\x.xml")).wstring());
  HWND failed = WaitForDialog(L"Quarvel");
  ASSERT_NE(failed, nullptr);
  EXPECT_EQ(TextOfControl(failed, 0xFFFF).rfind(L"Open File Failed!!!\n\n", 0), 0u);  // then the reason
  Click(failed, IDOK);
  ASSERT_TRUE(WaitGone(failed));
  EXPECT_EQ(Views(main_), "HSHHSSSHSS");  // the settings stay for another try
}

// A visible dialog that `owner` opened (a question it asks), whatever its title.
HWND WaitForDialogOwnedBy(HWND owner) {
  for (int waited = 0; waited < 10000; waited += 20) {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w != nullptr;
         w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
      if (GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w)) return w;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

// Typing "jpos" where jpos.xml exists: Save As adds the extension itself, so
// it asks before replacing that file, and No keeps it.
TEST_F(QuarvelExe, SaveAsAsksBeforeReplacingTheFileTheNameMeans) {
  testing::TempDir dir;
  testing::WriteBytes(dir.File("jpos.xml"), "kept");
  Click(main_, IDC_CREATE_NEW);
  for (int i = 0; i < 200 && Views(main_) != "HSHHSHSHHH"; ++i) Sleep(10);
  Click(main_, IDC_SAVE);
  HWND files = WaitForDialog(L"Save As");
  ASSERT_NE(files, nullptr);
  HWND box = GetDlgItem(files, kFileNameBox);
  if (box == nullptr) box = GetDlgItem(files, 0x480);
  const std::wstring typed = std::filesystem::path(dir.File("jpos")).wstring();
  SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
  PostMessageW(files, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(files, IDOK)));
  HWND question = WaitForDialogOwnedBy(files);
  ASSERT_NE(question, nullptr) << "no overwrite question";
  PostMessageW(question, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
  ASSERT_TRUE(WaitGone(question));
  PostMessageW(files, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  ASSERT_TRUE(WaitGone(files));
  EXPECT_EQ(testing::ReadBytes(dir.File("jpos.xml")), "kept");
  EXPECT_EQ(Views(main_), "HSHHSHSHHH");  // nothing saved: still editing
}

// Not a test: poses each view for scripts/screenshots, which sets
// QUARVEL_SCREENSHOT_DIR and takes a picture when NAME.ready appears there,
// answering with NAME.done.
class Screens : public QuarvelExe {
 protected:
  void Pose(const std::string& name) {
    const std::filesystem::path dir(_wgetenv(L"QUARVEL_SCREENSHOT_DIR"));
    testing::WriteBytes((dir / (name + ".ready")).string(), "");
    for (int i = 0; i < 3000 && !std::filesystem::exists(dir / (name + ".done")); ++i) Sleep(10);
  }
};

TEST_F(Screens, PoseEachView) {
  if (_wgetenv(L"QUARVEL_SCREENSHOT_DIR") == nullptr) GTEST_SKIP() << "for scripts/screenshots";
  Pose("main-start");
  Click(main_, IDC_CREATE_NEW);
  Sleep(300);
  Pose("main-editing");
  HWND device = OpenDeviceDialog(IDC_ADD_PRINTER);
  ASSERT_NE(device, nullptr);
  Choose(device, IDC_PORT_NAME, kTcpPortIndex);
  Sleep(300);
  Pose("device-printer-tcp");
  Click(device, IDCANCEL);
  ASSERT_TRUE(WaitGone(device));
  device = OpenDeviceDialog(IDC_ADD_DRAWER);
  ASSERT_NE(device, nullptr);
  Choose(device, IDC_PORT_NAME, kTcpPortIndex);
  Sleep(300);
  Pose("device-drawer-tcp");
  Click(device, IDCANCEL);
  ASSERT_TRUE(WaitGone(device));
  Click(main_, IDOK);
  EXPECT_EQ(ExitCode(), static_cast<DWORD>(IDOK));
}

}  // namespace
}  // namespace quarvel
