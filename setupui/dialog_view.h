// The seam between the dialogs' behaviour and a window system: a passive view
// of one dialog's controls by id, and the services the main dialog asks for.
// Win32 implements it over real dialogs; the tests use a headless one.
// All texts are UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup_data.h"

namespace quarvel {

class DialogView {
 public:
  virtual ~DialogView() = default;
  virtual void Show(int id, bool visible) = 0;
  virtual void Enable(int id, bool enabled) = 0;
  virtual void SetText(int id, std::string_view text) = 0;  // caption or field text
  virtual std::string Text(int id) = 0;
  virtual void AddItem(int id, std::string_view text) = 0;  // appends to a list
  virtual void Select(int id, int index) = 0;               // -1 clears the selection
  virtual int Selection(int id) = 0;                        // -1 when none
  virtual void SetAddress(int id, const std::array<uint8_t, 4>& octets) = 0;
  virtual std::array<uint8_t, 4> Address(int id) = 0;       // an empty octet reads 0
};

// What the main dialog asks of its surroundings.
class DialogServices {
 public:
  virtual ~DialogServices() = default;
  // The common Save As / Open dialogs ("xml Files (*.xml)"); nullopt when cancelled.
  virtual std::optional<std::string> ChooseSaveFile() = 0;
  virtual std::optional<std::string> ChooseOpenFile() = 0;
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
  // Runs the device setup dialog modally over `working`; true when it ended with OK.
  virtual bool RunDeviceDialog(SetupData& working) = 0;
  // Hides the main dialog (while an automation client holds it).
  virtual void HideMainDialog() = 0;
};

inline constexpr const char* kApplicationName = "Quarvel";
inline constexpr const char* kOpenFileFailed = "Open File Failed!!!";

}  // namespace quarvel
