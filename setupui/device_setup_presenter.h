// The behaviour of the device setup dialog (CJavaPOSSetup): one printer or
// cash-drawer record edited over a DialogView.
#pragma once

#include "dialog_view.h"
#include "setup_data.h"

namespace quarvel {

inline constexpr const char* kNoPortSelected =
    "Invalid argument: choose a port from the Port Name list.";
inline constexpr const char* kNoRateSelected =
    "Invalid argument: choose a rate from the BaudRate list.";

class DeviceSetupPresenter {
 public:
  // `data` is the dialog's own SetupData; editKind tells which record it edits.
  explicit DeviceSetupPresenter(SetupData& data) : data_(data) {}

  // Fills the lists and shows the record (or a new device's defaults).
  void Initialise(DialogView& view);
  // The Port Name list's selection changed.
  void OnPortSelectionChanged(DialogView& view);
  // Reads the controls into the record. Returns false, with the message to
  // show in `refusal`, when no port (or, except for TCP/IP, no rate) is selected:
  // the dialog then stays open.
  bool OnOk(DialogView& view, std::string& refusal);

 private:
  bool EditsPrinter() const { return data_.editKind == DeviceKind::Printer; }
  void ApplyPortRule(DialogView& view, int port);

  SetupData& data_;
};

}  // namespace quarvel
