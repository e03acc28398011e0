// Operations on the master SetupData that the main dialog's buttons run, the
// exchange of one device record with the device setup dialog, and the values
// that the writer derives from the stored positions.
#pragma once

#include <string_view>

#include "setup_data.h"

namespace quarvel {

// Brings the settings and the path to the empty state.
void ResetSettings(SetupData& data, ConfigPath& path);

// "Create New XML File": no device yet, both classes "Thermal".
void CreateNewConfiguration(SetupData& data);

// "Delete Printer Device" / "Delete CashDrawer Device": the device is absent and
// its record cleared, except the port position (and the drawer's pin and pulse
// times), which are kept.
void DeletePrinter(SetupData& data);
void DeleteCashDrawer(SetupData& data);

// Fills the device dialog's working copy for editing `kind` and sets the
// master's editKind. Only the fields the dialog needs cross over.
void PrepareDeviceEdit(SetupData& master, SetupData& working, DeviceKind kind);

// Takes the edited record back after the dialog's OK and marks the device
// present. The TCP address and port number are taken only for a TCP/IP port.
void AcceptDeviceEdit(SetupData& master, const SetupData& working, DeviceKind kind);

// Texts and numbers the writer derives from the stored positions. A rate
// position outside the table reads as "9600", so that no position can ever
// index past the list.
std::string_view RateText(int32_t baudIndex);
int32_t PinNumber(int32_t pinIndex);
std::string_view DeviceClassText(int32_t deviceClass);
bool IsValidBaudIndex(int32_t baudIndex);

}  // namespace quarvel
