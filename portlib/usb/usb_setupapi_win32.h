// The device-interface enumeration of SETUPAPI.DLL, loaded at run time by
// name. Its function table is the seam: tests put a fake enumeration (and a
// fake probe open) behind it.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <optional>
#include <string>
#include <vector>

#include "usb_printer_finder.h"

#include "port_types.h"

namespace portlink::setupapi {

struct Functions {
  HDEVINFO(WINAPI* getClassDevs)(const GUID*, PCSTR, HWND, DWORD) = nullptr;
  BOOL(WINAPI* enumInterfaces)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD, PSP_DEVICE_INTERFACE_DATA) = nullptr;
  BOOL(WINAPI* getInterfaceDetail)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD,
                                   PDWORD, PSP_DEVINFO_DATA) = nullptr;
  BOOL(WINAPI* destroyList)(HDEVINFO) = nullptr;
  // The probe open: true when the path opens (read and write, no sharing).
  bool (*probeOpen)(const char* path) = nullptr;
};

inline constexpr char kPrinterPathPrefix[] = "\\\\?\\usb#vid_0525&pid_a700";  // 25 characters
inline constexpr char kDeviceSuffix[] = "\\USB0/4";
inline constexpr size_t kPathBufferSize = 256;

// Walks the present USB printing interfaces by index: the first whose path
// (on current systems) begins with the printer's prefix, case-sensitively,
// and that opens. Its path with the suffix, or none; a path that would not
// fit the path buffer with the suffix is skipped. `openToo` false: no probe
// open, and only current systems can tell.
std::optional<std::string> FindPrinterInterface(const Functions& api, OsClass os, bool openToo);

// Every present USB printing interface by index, with the vendor and product
// its path names ("…#vid_0525&pid_a700#…").
std::vector<UsbPrinterEntry> ListPrinterInterfaces(const Functions& api);

}  // namespace portlink::setupapi
