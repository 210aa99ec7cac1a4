#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes src/platform/fold_tables.inc from the Unicode character database.

Usage: tools/gen_fold_tables.py [UnicodeData.txt] > src/platform/fold_tables.inc

The default input is Debian's copy (package unicode-data). The output is committed, so a build
never needs this script or the database.
"""

import os
import sys

BLANK = 0x20
VOICED, SEMI_VOICED = 0x3099, 0x309A

# Case folding is limited to the letters a Japanese code page can hold in some form: ASCII,
# Greek, Cyrillic and the full-width Latin letters.
CASE_BLOCKS = [(0x0000, 0x007F), (0x0370, 0x03FF), (0x0400, 0x04FF), (0xFF00, 0xFFEF)]

# Full-width forms whose <wide> decomposition is folded. The full-width signs U+FF5F-FF60 and
# U+FFE0-FFE6 stay: their narrow counterparts (for instance U+00A5 for U+FFE5) are characters
# the code page cannot store, so folding them would make names unrecordable.
WIDE_SOURCES = [(0x3000, 0x3000), (0xFF01, 0xFF5E)]
# Half-width forms whose <narrow> decomposition is inverted: katakana, Japanese punctuation and
# the sound marks. The half-width Hangul and symbols above U+FF9F are not part of this folding.
NARROW_FORMS = (0xFF61, 0xFF9F)

# Windows are split where the mapped code points are further apart than this.
WINDOW_GAP = 32


def read_database(path):
    chars = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split(";")
            cp = int(fields[0], 16)
            chars[cp] = {
                "name": fields[1],
                "category": fields[2],
                "decomposition": fields[5],
                "upper": int(fields[12], 16) if fields[12] else None,
                "lower": int(fields[13], 16) if fields[13] else None,
            }
    return chars


def unicode_version(path):
    age = os.path.join(os.path.dirname(path), "DerivedAge.txt")
    try:
        with open(age, encoding="utf-8") as f:
            first = f.readline().strip()
    except OSError:
        return "unknown version"
    if first.startswith("# DerivedAge-") and first.endswith(".txt"):
        return first[len("# DerivedAge-") : -len(".txt")]
    return "unknown version"


def decomposition(entry):
    """(tag or None, [code points])"""
    text = entry["decomposition"]
    if not text:
        return None, []
    parts = text.split()
    tag = None
    if parts[0].startswith("<"):
        tag, parts = parts[0], parts[1:]
    return tag, [int(p, 16) for p in parts]


def in_ranges(cp, ranges):
    return any(lo <= cp <= hi for lo, hi in ranges)


def kana_table(chars):
    table = {}
    for cp, entry in chars.items():
        name = entry["name"]
        if not 0x3040 <= cp <= 0x309F or not name.startswith("HIRAGANA "):
            continue
        if name.startswith("HIRAGANA LETTER "):
            partner = "KATAKANA LETTER " + name[len("HIRAGANA LETTER ") :]
        elif name.endswith("ITERATION MARK"):
            partner = "KATAKANA " + name[len("HIRAGANA ") :]
        else:
            continue
        matches = [k for k, e in chars.items() if e["name"] == partner]
        if matches:
            table[cp] = matches[0]
    # The folding is defined as the fixed offset 0x60 for the letters; the data must agree.
    letters = {cp: k for cp, k in table.items() if chars[cp]["name"].startswith("HIRAGANA LETTER ")}
    assert min(letters) == 0x3041 and max(letters) == 0x3096, "hiragana letters moved"
    assert all(k == cp + 0x60 for cp, k in letters.items()), "hiragana letters not at katakana - 0x60"
    return {cp: [k] for cp, k in table.items()}


def width_table(chars):
    table = {}
    for cp, entry in chars.items():
        tag, parts = decomposition(entry)
        if tag == "<wide>" and in_ranges(cp, WIDE_SOURCES):
            assert len(parts) == 1
            table[cp] = parts
    narrow = {}
    for cp in range(NARROW_FORMS[0], NARROW_FORMS[1] + 1):
        tag, parts = decomposition(chars[cp])
        assert tag == "<narrow>" and len(parts) == 1, f"{cp:04X} is not a narrow form"
        assert parts[0] not in narrow, f"two narrow forms of {parts[0]:04X}"
        narrow[parts[0]] = cp
    for full, half in narrow.items():
        table[full] = [half]
    # The spacing sound marks are <compat> blank + combining mark; their half-width forms are the
    # same as those of the combining marks.
    for cp, entry in chars.items():
        tag, parts = decomposition(entry)
        if tag == "<compat>" and len(parts) == 2 and parts[0] == BLANK and parts[1] in (VOICED, SEMI_VOICED):
            table[cp] = [narrow[parts[1]]]
    # Voiced and semi-voiced katakana: base letter and mark, each in its half-width form.
    for cp, entry in chars.items():
        tag, parts = decomposition(entry)
        if tag is None and len(parts) == 2 and parts[1] in (VOICED, SEMI_VOICED) and parts[0] in narrow:
            table[cp] = [narrow[parts[0]], narrow[parts[1]]]
    return table


def case_table(chars, source_field, target_field):
    table = {}
    for cp, entry in chars.items():
        target = entry[target_field]
        if entry["category"] != source_field or target is None:
            continue
        if in_ranges(cp, CASE_BLOCKS) and in_ranges(target, CASE_BLOCKS):
            table[cp] = [target]
    return table


def windows(table):
    cps = sorted(table)
    result = []
    start = prev = cps[0]
    for cp in cps[1:]:
        if cp - prev > WINDOW_GAP:
            result.append((start, prev))
            start = cp
        prev = cp
    result.append((start, prev))
    return result


def pack(targets):
    assert 1 <= len(targets) <= 2 and all(0 < t <= 0xFFFF for t in targets)
    value = targets[0]
    if len(targets) == 2:
        value |= targets[1] << 16
    return value


def emit(out, name, comment, table):
    out.append(f"// {comment}")
    data = []
    window_lines = []
    for first, last in windows(table):
        window_lines.append(f"    {{0x{first:04X}, 0x{last:04X}, {len(data)}}},")
        for cp in range(first, last + 1):
            data.append(pack(table[cp]) if cp in table else 0)
    out.append(f"inline constexpr FoldWindow k{name}Windows[] = {{")
    out.extend(window_lines)
    out.append("};")
    out.append(f"inline constexpr std::uint32_t k{name}Data[] = {{")
    for i in range(0, len(data), 8):
        out.append("    " + " ".join(f"0x{v:08X}," for v in data[i : i + 8]))
    out.append("};")
    out.append("")


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/unicode/UnicodeData.txt"
    chars = read_database(path)
    out = [
        "// SPDX-License-Identifier: GPL-3.0-or-later",
        "// Generated by tools/gen_fold_tables.py from UnicodeData.txt"
        f" (Unicode {unicode_version(path)}); do not edit.",
        "// Each window maps its code points first..last to data[offset + cp - first]: 0 keeps the",
        "// character, otherwise the low 16 bits are the replacement and the high 16 bits a second",
        "// character (or 0).",
        "// clang-format off",
        "",
    ]
    emit(out, "Kana", "Hiragana letters and iteration marks to katakana.", kana_table(chars))
    emit(out, "Width", "Full width to half width (one character, or a letter and its sound mark).",
         width_table(chars))
    emit(out, "Upper", "Lower-case letters to upper case (ASCII, Greek, Cyrillic, full-width Latin).",
         case_table(chars, "Ll", "upper"))
    emit(out, "Lower", "Upper-case letters to lower case (ASCII, Greek, Cyrillic, full-width Latin).",
         case_table(chars, "Lu", "lower"))
    out.append("// clang-format on")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
