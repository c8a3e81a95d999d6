#!/usr/bin/python3
"""Writes the resource script of the Windows window from the dialog templates, menus and strings
in res/, which the Qt window reads too, so that the two show the same texts and layouts.

    make_rc.py RES_DIR OUTPUT.rc
"""
import json
import pathlib
import sys

# Styles that are extended window styles go after EXSTYLE, not STYLE.
EXTENDED = {"WS_EX_APPWINDOW"}

# Template kinds written as a CONTROL with its window class.
CLASSES = {"LISTVIEW": "SysListView32"}

# Styles only the Windows window has: its list view asks for each cell's text as it draws it.
WINDOWS_STYLES = {"LISTVIEW": ["LVS_OWNERDATA"]}


def quoted(text):
    return '"' + text.replace('"', '""').replace("\n", "\\n") + '"'


def styles(names):
    return " | ".join(names) if names else "0"


def control(c):
    x, y, w, h = c["rect"]
    kind = c["kind"]
    name = c["name"] if c["id"] != -1 else "IDC_STATIC"
    if kind == "ICON":
        return f"    ICON {c['name']}, IDC_STATIC, {x}, {y}, {w}, {h}"
    extra = styles(c["styles"] + WINDOWS_STYLES.get(kind, []))
    if kind in CLASSES:
        return (f"    CONTROL {quoted(c['text'])}, {name}, {quoted(CLASSES[kind])}, "
                f"{extra} | WS_CHILD | WS_VISIBLE, {x}, {y}, {w}, {h}")
    if kind in ("EDITTEXT", "COMBOBOX"):
        return f"    {kind} {name}, {x}, {y}, {w}, {h}, {extra}"
    return f"    {kind} {quoted(c['text'])}, {name}, {x}, {y}, {w}, {h}, {extra}"


def dialog(d):
    plain = [s for s in d["styles"] if s not in EXTENDED]
    extended = [s for s in d["styles"] if s in EXTENDED]
    w, h = d["size"]
    lines = [f"{d['name']} DIALOGEX 0, 0, {w}, {h}",
             f"STYLE {styles(plain)}"]
    if extended:
        lines.append(f"EXSTYLE {styles(extended)}")
    lines += [f"CAPTION {quoted(d['title'])}",
              f"FONT {d['font']['points']}, {quoted(d['font']['face'])}, 0, 0, 0x1",
              "BEGIN"]
    lines += [control(c) for c in d["controls"]]
    lines.append("END")
    return "\n".join(lines)


def menu(m):
    lines = [f"{m['name']} MENU", "BEGIN"]
    for popup in m["popups"]:
        lines += [f"    POPUP {quoted(popup['text'])}", "    BEGIN"]
        for item in popup["items"]:
            if item.get("separator"):
                lines.append("        MENUITEM SEPARATOR")
            else:
                lines.append(f"        MENUITEM {quoted(item['text'])}, {item['name']}")
        lines.append("    END")
    lines.append("END")
    return "\n".join(lines)


def main(res, output):
    res = pathlib.Path(res)
    parts = ["// Generated from res/ by frontends/win32/make_rc.py.",
             "#pragma code_page(65001)",
             "#include <windows.h>",
             "#include <commctrl.h>",
             '#include "resource.h"',
             '#include "quenlo.rc"',
             "#ifndef IDC_STATIC",
             "#define IDC_STATIC (-1)",
             "#endif",
             "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED"]
    for path in sorted((res / "dialogs").glob("*.json")):
        parts.append(dialog(json.loads(path.read_text(encoding="utf-8"))))
    for path in sorted((res / "menus").glob("*.json")):
        parts.append(menu(json.loads(path.read_text(encoding="utf-8"))))
    strings = json.loads((res / "strings.json").read_text(encoding="utf-8"))["strings"]
    parts.append("STRINGTABLE\nBEGIN\n"
                 + "\n".join(f"    {s['name']} {quoted(s['text'])}" for s in strings)
                 + "\nEND")
    text = "\n\n".join(parts) + "\n"
    out = pathlib.Path(output)
    if not out.exists() or out.read_text(encoding="utf-8") != text:
        out.write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main(*sys.argv[1:])
