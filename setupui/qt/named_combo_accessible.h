// Qt names a drop-down on Linux by its current value, so that assistive
// technology and the tools that find fields by name see "COM1" rather than
// "Port Name". A drop-down given an accessible name keeps it here: its value
// is its Value text, its children (the list, the text field) and its actions
// (open and close the list) are Qt's own.
#pragma once

namespace quarvel::qt {

// Installs the accessibility factory for named drop-downs; once, before any window.
void InstallNamedComboBoxAccessibility();

}  // namespace quarvel::qt
