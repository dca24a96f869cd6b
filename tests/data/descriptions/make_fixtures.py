#!/usr/bin/env python3
"""Writes the description-file fixtures: enciphered descriptions, value-text
files and a PG5 symbol file. The cipher is written here on its own, apart from
the C++ code, so the loader tests read files made by a second implementation.
Run from any folder: python3 make_fixtures.py
"""
import os

KEY = b"Wd5Krxn_Blqet-8"
LAST = len(KEY) - 1
HERE = os.path.dirname(os.path.abspath(__file__))


def encipher(text):
    out = bytearray()
    p = 0
    info = False
    for line in text.encode("cp1252").split(b"\n"):
        if line.startswith(b"["):
            info = b"INFO" in line.upper()
            p = 0
            out += line + b"\r\n"
        elif not line or info:
            out += line + b"\r\n"
        else:
            k = p
            for c in line:
                out.append((c if c < 128 else 127) + KEY[k])
                k = 0 if k == LAST else k + 1
            out += b"\r\n"
            p = 0 if p == LAST else p + 1
    return bytes(out)


PUMP = """[TOLVANE]
HeaderLenght=8
CounterIndex=4
RecordLenght=4
StringIndex=6
Version=1.2
App=Pumps
Key=PUMP
[DRIVER]
Title=Pump station
ColumnWidth=5
TextFile=PUMP*.txt
[INFO]
Pump station trace
Two pumps, one valve
[REGISTER_0]
; state bits
Bit_3=12,800,Pump,%s \\0)Off \\1)On
bit_4=13,,Valve,%d
Bit_32=14,900,Ignored,%d
Byte4=15,900,Ignored too,%d
Byte0=4,,Mode,%s \\1..3)Auto \\)Manual
Nibe7=2,700,Step,%h
[REGISTER_2]
Long=1,1200,Level,%3d
Word1=3,,Alarm,%gm \\5)Low \\6)High
Strg=5,1500,Name,%8a
[REGISTER_3]
Long=6,,Application,%f
Word0=7,,Pump state,%F
"""

SECOND = PUMP.replace("Title=Pump station", "Title=Pump station (plain extension)")

PUMP_TEXTS = """; value texts of the pump library
[Tolvane]
Key=PUMP
[Application]
3=Heating ; boiler room
4=Cooling
[Pump state]
0=Stopped
1=Running ; both pumps
"""

PUMP_TEXTS_LATER = """[Tolvane]
Key=PUMP
[Application]
3=Heating again
[Pump state]
1=Running (second file)
2=Fault
"""

OTHER_KEY_TEXTS = """[Tolvane]
Key=PUMQ
[Application]
5=Other buffer
[Pump state]
2=Other text
"""

SYMBOLS = """;PG5 symbol file
$GROUP Heat
Pump EQU R 100 ;flow pump
Valve EQU VOL F 12
$GROUP Zone
Temp EQU R 101 ;zone temperature
$ENDGROUP
$ENDGROUP
Level EQU R 102
Msg EQU TEXT 7 ;message text
Table EQU DB 4000
Spaced EQU R  103
Const EQU K 5
"""


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    write("PUMP.tlvd", encipher(PUMP))
    write("PUMP.tlv", encipher(SECOND))
    write("PUMP_texts.txt", PUMP_TEXTS.encode("cp1252"))
    write("PUMP_texts2.txt", PUMP_TEXTS_LATER.encode("cp1252"))
    write("PUMP_other.txt", OTHER_KEY_TEXTS.encode("cp1252"))
    write("_Global.sy5", SYMBOLS.encode("cp1252"))


if __name__ == "__main__":
    main()
