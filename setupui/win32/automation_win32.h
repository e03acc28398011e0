// Quarvel's automation server: the class factory for "Quarvel.Application",
// registered for single use, and the automation object CQuarvelDlgAutoProxy,
// a dispatch interface without members that keeps the program alive while a
// client holds it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "automation_link.h"

namespace quarvel::win32 {

// {ACD3F820-48F2-4783-8C94-C50C9B06FFE9}
inline constexpr CLSID kQuarvelClsid = {0xACD3F820, 0x48F2, 0x4783, {0x8C, 0x94, 0xC5, 0x0C, 0x9B, 0x06, 0xFF, 0xE9}};
// {A65501E8-4B2F-4118-A76E-82100C0E76CB}
inline constexpr IID kQuarvelDispatchIid = {0xA65501E8, 0x4B2F, 0x4118, {0xA7, 0x6E, 0x82, 0x10, 0x0C, 0x0E, 0x76, 0xCB}};
inline constexpr wchar_t kProgId[] = L"Quarvel.Application";

// What the server needs of the running program: its locks and the main
// dialog running now (null before and after).
struct ProgramState {
  explicit ProgramState(std::function<void()> endProgram) : lifetime(std::move(endProgram)) {}
  ProgramLifetime lifetime;
  MainDialogPresenter* runningDialog = nullptr;
};

// Makes the class object available to clients; revoked when destroyed.
class AutomationServer {
 public:
  explicit AutomationServer(ProgramState& program) : program_(program) {}
  ~AutomationServer();
  AutomationServer(const AutomationServer&) = delete;
  AutomationServer& operator=(const AutomationServer&) = delete;
  HRESULT RegisterClassObject();

 private:
  ProgramState& program_;
  IClassFactory* factory_ = nullptr;
  DWORD cookie_ = 0;
};

// Writes the ProgID, the CLSID and this program as its local server into the
// registry; false when the registry can't be written (no administrator rights).
bool RegisterServer(const std::wstring& programPath);

}  // namespace quarvel::win32
