// The dialog templates as data: each control's kind, text, id and rectangle in
// dialog units, in tab order; and the string table. Generated from quarvel.rc
// (tools/rc_layout.py), so windows other than Win32 lay out the very same
// templates.
#pragma once

#include <span>

#include "control_ids.h"

namespace quarvel {

enum class ControlKind { DefaultButton, Button, GroupBox, RightText, LeftText, Edit, ComboBox, IpAddress, Icon };

enum : unsigned {
  kStyle_ES_RIGHT = 1u << 0,
  kStyle_ES_AUTOHSCROLL = 1u << 1,
  kStyle_SS_NOPREFIX = 1u << 2,
  kStyle_CBS_DROPDOWN = 1u << 3,
  kStyle_WS_TABSTOP = 1u << 4,
  kStyle_WS_GROUP = 1u << 5,
};

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

struct TemplateControl {
  ControlKind kind;
  const char* text;
  int id;
  const char* name;  // the id's symbol ("IDC_PORT_NAME", "IDOK"), "" for IDC_STATIC
  int x, y, width, height;  // dialog units
  unsigned styles;
};

struct DialogTemplate {
  int id;
  const char* name;  // "IDD_JAVAPOS_SETUP"
  int width, height;  // dialog units
  const char* caption;
  const char* fontFace;
  int pointSize;
  std::span<const TemplateControl> controls;
};

#include "dialog_templates.inc"

}  // namespace quarvel
