#!/usr/bin/python3
"""Writes the resource script of the Windows window from the dialog templates, menus and strings
in res/, which the Qt window reads too, so that the two show the same texts and layouts: once in
Chinese and once in English, each text's English beside it as "text_en" (or "title_en"). A text
that is not plain ASCII and has no English is an error.

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


# The resource script's languages, with the member that holds each text in that language.
LANGUAGES = [("LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED", ""),
             ("LANG_ENGLISH, SUBLANG_ENGLISH_US", "_en")]


class MissingEnglish(Exception):
    pass


def text_of(item, member, suffix):
    text = item.get(member + suffix) if suffix else None
    if text is not None:
        return text
    text = item.get(member, "")
    if suffix and not text.isascii():
        raise MissingEnglish(f"{item.get('name', member)}: {text!r} has no {member}{suffix}")
    return text


def quoted(text):
    return '"' + text.replace('"', '""').replace("\n", "\\n") + '"'


def styles(names):
    return " | ".join(names) if names else "0"


def control(c, suffix):
    x, y, w, h = c["rect"]
    kind = c["kind"]
    name = c["name"] if c["id"] != -1 else "IDC_STATIC"
    if kind == "ICON":
        return f"    ICON {c['name']}, IDC_STATIC, {x}, {y}, {w}, {h}"
    extra = styles(c["styles"] + WINDOWS_STYLES.get(kind, []))
    if kind in CLASSES:
        return (f"    CONTROL {quoted(text_of(c, 'text', suffix))}, {name}, "
                f"{quoted(CLASSES[kind])}, "
                f"{extra} | WS_CHILD | WS_VISIBLE, {x}, {y}, {w}, {h}")
    if kind in ("EDITTEXT", "COMBOBOX"):
        return f"    {kind} {name}, {x}, {y}, {w}, {h}, {extra}"
    return f"    {kind} {quoted(text_of(c, 'text', suffix))}, {name}, {x}, {y}, {w}, {h}, {extra}"


def dialog(d, suffix):
    plain = [s for s in d["styles"] if s not in EXTENDED]
    extended = [s for s in d["styles"] if s in EXTENDED]
    w, h = d["size"]
    lines = [f"{d['name']} DIALOGEX 0, 0, {w}, {h}",
             f"STYLE {styles(plain)}"]
    if extended:
        lines.append(f"EXSTYLE {styles(extended)}")
    lines += [f"CAPTION {quoted(text_of(d, 'title', suffix))}",
              f"FONT {d['font']['points']}, {quoted(d['font']['face'])}, 0, 0, 0x1",
              "BEGIN"]
    lines += [control(c, suffix) for c in d["controls"]]
    lines.append("END")
    return "\n".join(lines)


def menu(m, suffix):
    lines = [f"{m['name']} MENU", "BEGIN"]
    for popup in m["popups"]:
        lines += [f"    POPUP {quoted(text_of(popup, 'text', suffix))}", "    BEGIN"]
        for item in popup["items"]:
            if item.get("separator"):
                lines.append("        MENUITEM SEPARATOR")
            else:
                lines.append(f"        MENUITEM {quoted(text_of(item, 'text', suffix))}, "
                             f"{item['name']}")
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
             "#endif"]
    dialogs = [json.loads(path.read_text(encoding="utf-8"))
               for path in sorted((res / "dialogs").glob("*.json"))]
    menus = [json.loads(path.read_text(encoding="utf-8"))
             for path in sorted((res / "menus").glob("*.json"))]
    strings = json.loads((res / "strings.json").read_text(encoding="utf-8"))["strings"]
    for language, suffix in LANGUAGES:
        parts.append(f"LANGUAGE {language}")
        parts += [dialog(d, suffix) for d in dialogs]
        parts += [menu(m, suffix) for m in menus]
        parts.append("STRINGTABLE\nBEGIN\n"
                     + "\n".join(f"    {s['name']} {quoted(text_of(s, 'text', suffix))}"
                                  for s in strings)
                     + "\nEND")
    text = "\n\n".join(parts) + "\n"
    out = pathlib.Path(output)
    if not out.exists() or out.read_text(encoding="utf-8") != text:
        out.write_text(text, encoding="utf-8")


if __name__ == "__main__":
    try:
        main(*sys.argv[1:])
    except MissingEnglish as missing:
        sys.exit(f"make_rc.py: {missing}")
