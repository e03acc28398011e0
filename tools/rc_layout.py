#!/usr/bin/env python3
"""Turns the dialog templates and the string table of a .rc file into C++
tables, so that windows other than Win32 lay out the same templates and show
the same strings (one home for the layout, texts and tab order).
Usage: rc_layout.py quarvel.rc out.inc"""
import re
import sys

KINDS = {
    "DEFPUSHBUTTON": "DefaultButton", "PUSHBUTTON": "Button", "GROUPBOX": "GroupBox",
    "RTEXT": "RightText", "LTEXT": "LeftText", "EDITTEXT": "Edit", "COMBOBOX": "ComboBox",
    "ICON": "Icon",
}
IDS = {"IDOK": "1", "IDCANCEL": "2", "IDC_STATIC": "-1"}
STYLES = ["ES_RIGHT", "ES_AUTOHSCROLL", "SS_NOPREFIX", "CBS_DROPDOWN", "WS_TABSTOP", "WS_GROUP"]


def fields(text):
    """Splits a statement's arguments at commas outside quotes."""
    return [f.strip() for f in re.findall(r'(?:"[^"]*"|[^,])+', text)]


def quoted(text):
    return '"' + text.strip('"').replace("\\\\", "\\\\\\\\") + '"'


def style_bits(parts):
    words = set(w.strip() for p in parts for w in p.split("|"))
    return " | ".join("kStyle_" + s for s in STYLES if s in words) or "0"


def control(keyword, args):
    a = fields(args)
    if keyword == "CONTROL":  # CONTROL text, id, class, style, x, y, w, h
        assert a[2] == '"SysIPAddress32"', a
        return ("IpAddress", quoted(a[0]), a[1], a[4:8], style_bits([a[3]]))
    if keyword in ("EDITTEXT", "COMBOBOX"):  # id, x, y, w, h[, style]
        return (KINDS[keyword], '""', a[0], a[1:5], style_bits(a[5:]))
    if keyword == "ICON":  # icon, id, x, y, w, h
        return ("Icon", '""', a[1], a[2:6], "0")
    return (KINDS[keyword], quoted(a[0]), a[1], a[2:6], style_bits(a[6:]))


def constant(symbol):
    """IDD_JAVAPOS_SETUP -> kIddJavaposSetup"""
    return "k" + symbol.title().replace("_", "")


def main(source, target):
    dialogs = []
    strings = []
    current = None
    in_strings = False
    for line in open(source, encoding="utf-8"):
        line = line.split("//")[0].strip()
        if line == "STRINGTABLE":
            in_strings = True
            continue
        if in_strings:
            m = re.match(r'(\w+)\s+("[^"]*")', line)
            if m:
                strings.append(m.groups())
            in_strings = line != "END"
            continue
        m = re.match(r"(\w+)\s+DIALOGEX\s+(.*)", line)
        if m:
            current = {"id": m.group(1), "size": fields(m.group(2))[2:4], "controls": []}
            dialogs.append(current)
            continue
        if current is None:
            continue
        m = re.match(r"(\w+)\s*(.*)", line)
        if not m:
            continue
        keyword, rest = m.groups()
        if keyword == "CAPTION":
            current["caption"] = quoted(rest)
        elif keyword == "FONT":
            size, face = fields(rest)[:2]
            current["font"] = (size, quoted(face))
        elif keyword == "END":
            current = None
        elif keyword in KINDS or keyword == "CONTROL":
            current["controls"].append(control(keyword, rest))
    out = ["// Generated from quarvel.rc by tools/rc_layout.py; do not edit."]
    for symbol, text in strings:
        out.append(f"inline constexpr const char* {constant(symbol)} = {quoted(text)};")
    for d in dialogs:
        name = constant(d["id"]) + "Controls"
        out.append(f"inline constexpr TemplateControl {name}[] = {{")
        for kind, text, ident, (x, y, w, h), styles in d["controls"]:
            symbol = '""' if ident == "IDC_STATIC" else f'"{ident}"'
            out.append(f"    {{ControlKind::{kind}, {text}, {IDS.get(ident, ident)}, {symbol}, {x}, {y}, {w}, {h}, {styles}}},")
        out.append("};")
        w, h = d["size"]
        size, face = d["font"]
        out.append(f"inline constexpr DialogTemplate {constant(d['id'])}{{")
        out.append(f"    {d['id']}, \"{d['id']}\", {w}, {h}, {d['caption']}, {face}, {size}, {name}}};")
    with open(target, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
