#include <windows.h>
#include <initguid.h>
#include <setupapi.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "usb_printer_finder.h"
#include "usb_setupapi_win32.h"
#include "windows_version_win32.h"

namespace portlink {

namespace setupapi {

namespace {

// The USB printing interface class (GUID_DEVINTERFACE_USBPRINT).
const GUID kUsbPrintClass = {0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;  // 0x12
constexpr size_t kPrefixLength = sizeof kPrinterPathPrefix - 1;
constexpr size_t kSuffixLength = sizeof kDeviceSuffix - 1;

// The device path of the interface at `index`; none when it can't be had.
std::optional<std::string> PathAt(const Functions& api, HDEVINFO list, SP_DEVICE_INTERFACE_DATA& item) {
  DWORD size = 0;
  api.getInterfaceDetail(list, &item, nullptr, 0, &size, nullptr);
  if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return std::nullopt;
  std::vector<unsigned char> record(size);
  auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(record.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);  // the header: 8 on x64
  if (!api.getInterfaceDetail(list, &item, detail, size, nullptr, nullptr)) return std::nullopt;
  const size_t room = size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  return std::string(detail->DevicePath, strnlen(detail->DevicePath, room));
}

}  // namespace

std::optional<std::string> FindPrinterInterface(const Functions& api, OsClass os, bool openToo) {
  const bool current = os == OsClass::Nt5OrLater;
  if (!openToo && !current) return std::nullopt;
  const HDEVINFO list = api.getClassDevs(&kUsbPrintClass, nullptr, nullptr, kPresentInterfaces);
  if (list == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::string> found;
  for (DWORD index = 0; !found; ++index) {
    SP_DEVICE_INTERFACE_DATA item{};
    item.cbSize = sizeof item;  // 32
    if (!api.enumInterfaces(list, nullptr, &kUsbPrintClass, index, &item)) {
      if (GetLastError() == ERROR_NO_MORE_ITEMS) break;
      continue;
    }
    const std::optional<std::string> path = PathAt(api, list, item);
    if (!path || path->size() + kSuffixLength + 1 > kPathBufferSize) continue;
    if (current && path->compare(0, kPrefixLength, kPrinterPathPrefix) != 0) continue;
    if (openToo && !api.probeOpen(path->c_str())) continue;
    found = *path + kDeviceSuffix;
  }
  api.destroyList(list);
  return found;
}

std::vector<UsbPrinterEntry> ListPrinterInterfaces(const Functions& api) {
  std::vector<UsbPrinterEntry> entries;
  const HDEVINFO list = api.getClassDevs(&kUsbPrintClass, nullptr, nullptr, kPresentInterfaces);
  if (list == INVALID_HANDLE_VALUE) return entries;
  // The four hex digits after `key` in the path, any case.
  const auto field = [](const std::string& path, const char* key) {
    for (size_t at = 0; at + 8 <= path.size(); ++at) {
      if (_strnicmp(path.c_str() + at, key, 4) == 0) return path.substr(at + 4, 4);
    }
    return std::string();
  };
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA item{};
    item.cbSize = sizeof item;
    if (!api.enumInterfaces(list, nullptr, &kUsbPrintClass, index, &item)) {
      if (GetLastError() == ERROR_NO_MORE_ITEMS) break;
      continue;
    }
    if (const std::optional<std::string> path = PathAt(api, list, item)) {
      entries.push_back({*path, field(*path, "vid_"), field(*path, "pid_")});
    }
  }
  api.destroyList(list);
  return entries;
}

}  // namespace setupapi

namespace {

bool ProbeOpen(const char* path) {
  const HANDLE probe = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return false;
  CloseHandle(probe);
  return true;
}

template <typename Function>
bool Lookup(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

class SetupApiPrinterFinder final : public UsbPrinterFinder {
 public:
  bool Load() override {
    std::lock_guard lock(mutex_);
    if (module_ != nullptr) return true;
    const HMODULE module = LoadLibraryA("SETUPAPI.DLL");
    if (module == nullptr) return false;
    setupapi::Functions api;
    api.probeOpen = &ProbeOpen;
    const bool complete = Lookup(module, "SetupDiEnumDeviceInterfaces", api.enumInterfaces) &&
                          Lookup(module, "SetupDiDestroyDeviceInfoList", api.destroyList) &&
                          Lookup(module, "SetupDiGetClassDevsA", api.getClassDevs) &&
                          Lookup(module, "SetupDiGetDeviceInterfaceDetailA", api.getInterfaceDetail);
    if (!complete) {
      FreeLibrary(module);
      return false;
    }
    module_ = module;
    api_ = api;
    return true;
  }
  void Release() override {
    std::lock_guard lock(mutex_);
    if (module_ == nullptr) return;
    FreeLibrary(module_);
    module_ = nullptr;
    api_ = {};
  }
  std::optional<std::string> Find(OsClass os) override {
    std::lock_guard lock(mutex_);
    if (module_ == nullptr) return std::nullopt;
    return setupapi::FindPrinterInterface(api_, os, true);
  }
  bool IsPresent(OsClass os) override {
    std::lock_guard lock(mutex_);
    return module_ != nullptr && setupapi::FindPrinterInterface(api_, os, false).has_value();
  }
  std::vector<UsbPrinterEntry> List() override {
    std::lock_guard lock(mutex_);
    if (module_ == nullptr) return {};
    return setupapi::ListPrinterInterfaces(api_);
  }

 private:
  std::mutex mutex_;
  HMODULE module_ = nullptr;
  setupapi::Functions api_;
};

}  // namespace

std::unique_ptr<UsbPrinterFinder> MakeUsbPrinterFinder() { return std::make_unique<SetupApiPrinterFinder>(); }

// x86 reads only what is queued; x64 and Itanium always read.
int DetectProcessorClass(int previous) {
  OSVERSIONINFOEXA version;
  if (!QueryWindowsVersion(version)) return previous;
  SYSTEM_INFO info{};
  using NativeInfo = void(WINAPI*)(LPSYSTEM_INFO);
  const auto native = reinterpret_cast<NativeInfo>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo")));
  if (native != nullptr) {
    native(&info);
  } else {
    GetSystemInfo(&info);
  }
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64: return 1;
    case PROCESSOR_ARCHITECTURE_INTEL: return 0;
    case PROCESSOR_ARCHITECTURE_IA64: return 2;
    default: return previous;
  }
}

}  // namespace portlink
