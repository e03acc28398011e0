// The walk over the USB printing interfaces, with a fake enumeration behind
// the SetupAPI function table.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "usb_setupapi_win32.h"

namespace portlink::setupapi {
namespace {

const std::string kOurs = "\\\\?\\usb#vid_0525&pid_a700#5&1a2b3c&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

// The system's interfaces, by index; "!" fails to enumerate.
std::vector<std::string> interfaces;
std::set<std::string> openable;
std::vector<std::string> probed;
int listsDestroyed = 0;

HDEVINFO WINAPI GetClassDevs(const GUID*, PCSTR, HWND, DWORD flags) {
  return flags == (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE) ? reinterpret_cast<HDEVINFO>(0x5EED) : INVALID_HANDLE_VALUE;
}
BOOL WINAPI EnumInterfaces(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD index, PSP_DEVICE_INTERFACE_DATA item) {
  if (index >= interfaces.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  if (interfaces[index] == "!" || item->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  item->Reserved = index;
  return TRUE;
}
BOOL WINAPI GetDetail(HDEVINFO, PSP_DEVICE_INTERFACE_DATA item, PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                      PDWORD required, PSP_DEVINFO_DATA) {
  const std::string& path = interfaces[item->Reserved];
  const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
  if (detail == nullptr) {
    if (required != nullptr) *required = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (size < needed || detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return FALSE;
  memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
  return TRUE;
}
BOOL WINAPI DestroyList(HDEVINFO) {
  ++listsDestroyed;
  return TRUE;
}
bool ProbeOpen(const char* path) {
  probed.emplace_back(path);
  return openable.count(path) > 0;
}

class Walk : public ::testing::Test {
 protected:
  void SetUp() override {
    interfaces.clear();
    openable.clear();
    probed.clear();
    listsDestroyed = 0;
  }
  std::optional<std::string> Find(OsClass os = OsClass::Nt5OrLater, bool openToo = true) {
    return FindPrinterInterface(Functions{&GetClassDevs, &EnumInterfaces, &GetDetail, &DestroyList, &ProbeOpen}, os,
                                openToo);
  }
};

TEST_F(Walk, ThePrefixIsComparedCaseSensitivelyAndTheSuffixAppended) {
  std::string upper = kOurs;
  for (char& c : upper) c = static_cast<char>(toupper(c));
  interfaces = {upper, "\\\\?\\usb#vid_04b8&pid_0202#1", kOurs};
  openable = {upper, kOurs};
  EXPECT_EQ(Find(), kOurs + "\\USB0/4");
  EXPECT_EQ(probed, std::vector<std::string>{kOurs});  // the probe opens the path as found
  EXPECT_EQ(listsDestroyed, 1);
}

TEST_F(Walk, TheLowestIndexThatOpensWins) {
  const std::string second = "\\\\?\\usb#vid_0525&pid_a700#other";
  interfaces = {"!", kOurs, second};
  openable = {kOurs, second};
  EXPECT_EQ(Find(), kOurs + "\\USB0/4");
  openable = {second};  // the first is held by another program
  EXPECT_EQ(Find(), second + "\\USB0/4");
  openable.clear();
  EXPECT_EQ(Find(), std::nullopt);
  EXPECT_EQ(listsDestroyed, 3);
}

TEST_F(Walk, APathThatWouldNotFitTheBufferIsSkipped) {
  const std::string longPath = kOurs + std::string(256 - kOurs.size() - 7, 'x');  // one too many with the suffix
  const std::string fits = longPath.substr(0, longPath.size() - 1);
  interfaces = {longPath, fits};
  openable = {longPath, fits};
  EXPECT_EQ(Find(), fits + "\\USB0/4");
}

TEST_F(Walk, OlderSystemsOpenAnyInterfaceAndCannotTellPresence) {
  interfaces = {"\\\\?\\usb#vid_1111&pid_2222#printer"};
  openable = {interfaces[0]};
  EXPECT_EQ(Find(OsClass::Win9x), interfaces[0] + "\\USB0/4");
  EXPECT_EQ(Find(OsClass::Win9x, false), std::nullopt);
  interfaces = {kOurs};
  probed.clear();
  EXPECT_EQ(Find(OsClass::Nt5OrLater, false), kOurs + "\\USB0/4");  // presence: no open
  EXPECT_TRUE(probed.empty());
}

}  // namespace
}  // namespace portlink::setupapi
