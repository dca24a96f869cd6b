#!/usr/bin/env python3
"""Writes the line-cipher fixtures: plain descriptions (*.tlv), their
enciphered form (*.tlvd) and what deciphering that gives back (*.unc).

Written apart from the C++ code so the tests compare two implementations.
Run from any folder: python3 make_fixtures.py
"""
import os

KEY = b"Wd5Krxn_Blqet-8"
LAST = len(KEY) - 1


def walk(data, shift):
    out = bytearray()
    p = 0
    info = False
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    for line in lines:
        if line.endswith(b"\r"):
            line = line[:-1]
        if line.startswith(b"["):
            info = b"INFO" in line.upper()
            p = 0
            out += line + b"\r\n"
        elif not line or info:
            out += line + b"\r\n"
        else:
            k = p
            res = bytearray()
            for c in line:
                res.append(shift(c, KEY[k]))
                k = 0 if k == LAST else k + 1
            assert not res.startswith(b"["), "line would read back as a header"
            out += res + b"\r\n"
            p = 0 if p == LAST else p + 1
    return bytes(out)


def encipher(data):
    return walk(data, lambda c, key: (c if c < 128 else 127) + key)


def decipher(data):
    def shift(c, key):
        if c < key:
            raise ValueError("Incorrect file !")
        return c - key
    return walk(data, shift)


TWO_SECTIONS = "\r\n".join([
    "[TOLVANE]",
    "HeaderLenght=16",
    "CounterIndex=4",
    "RecordLenght=2",
    "StringIndex=",
    "",
    "[INFO]",
    "Pump station buffer, two registers per record.",
    "Temperature in \u00b0C, d\u00e9bit in m3/h.",
    "",
    "[DRIVER]",
    "Title=Station d\u00e9mo",
    "ColumnWidth=1200",
    "TextFile=",
    "",
    "[REGISTER_0]",
    "Bit_3=12,800,Pump,%s \\0)Off \\1)On",
    "Byte0=4,,Mode,%s \\1..3)Auto \\)Manual",
    "; comment kept as a line",
    "Word1=5,900,D\u00e9bit,%d2",
    "",
    "[REGISTER_1]",
    "Long=6,1000,Temp \u00b0C,%d1",
    "",
]) + "\r\n"

# LF lines, a long section so the line position wraps past the last key entry,
# and an info header written in lower case.
lines = ["[TOLVANE]", "HeaderLenght=16", "CounterIndex=4", "RecordLenght=1", "[Driver_info]",
         "free text, not enciphered", "", "[REGISTER_0]"]
for bit in range(20):
    lines.append("Bit_%d=%d,600,Alarm %d with a rather long title,%%s \\0)ok \\1)ALARM"
                 % (bit, bit + 1, bit))
lines.append("Long=30,,~{|}`^ punctuation !\"$'()*+,-./:<>?@\t%d")
LONG_LF = "\n".join(lines) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, text in (("two_sections", TWO_SECTIONS), ("long_lf", LONG_LF)):
        plain = text.encode("cp1252")
        enciphered = encipher(plain)
        back = decipher(enciphered)
        if all(b < 128 for b in plain):
            assert back == plain.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        for ext, data in (("tlv", plain), ("tlvd", enciphered), ("unc", back)):
            with open(os.path.join(here, "%s.%s" % (name, ext)), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
