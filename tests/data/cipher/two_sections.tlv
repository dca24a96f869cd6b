[TOLVANE]
HeaderLenght=16
CounterIndex=4
RecordLenght=2
StringIndex=

[INFO]
Pump station buffer, two registers per record.
Temperature in °C, débit in m3/h.

[DRIVER]
Title=Station démo
ColumnWidth=1200
TextFile=

[REGISTER_0]
Bit_3=12,800,Pump,%s \0)Off \1)On
Byte0=4,,Mode,%s \1..3)Auto \)Manual
; comment kept as a line
Word1=5,900,Débit,%d2

[REGISTER_1]
Long=6,1000,Temp °C,%d1

