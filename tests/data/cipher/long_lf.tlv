[TOLVANE]
HeaderLenght=16
CounterIndex=4
RecordLenght=1
[Driver_info]
free text, not enciphered

[REGISTER_0]
Bit_0=1,600,Alarm 0 with a rather long title,%s \0)ok \1)ALARM
Bit_1=2,600,Alarm 1 with a rather long title,%s \0)ok \1)ALARM
Bit_2=3,600,Alarm 2 with a rather long title,%s \0)ok \1)ALARM
Bit_3=4,600,Alarm 3 with a rather long title,%s \0)ok \1)ALARM
Bit_4=5,600,Alarm 4 with a rather long title,%s \0)ok \1)ALARM
Bit_5=6,600,Alarm 5 with a rather long title,%s \0)ok \1)ALARM
Bit_6=7,600,Alarm 6 with a rather long title,%s \0)ok \1)ALARM
Bit_7=8,600,Alarm 7 with a rather long title,%s \0)ok \1)ALARM
Bit_8=9,600,Alarm 8 with a rather long title,%s \0)ok \1)ALARM
Bit_9=10,600,Alarm 9 with a rather long title,%s \0)ok \1)ALARM
Bit_10=11,600,Alarm 10 with a rather long title,%s \0)ok \1)ALARM
Bit_11=12,600,Alarm 11 with a rather long title,%s \0)ok \1)ALARM
Bit_12=13,600,Alarm 12 with a rather long title,%s \0)ok \1)ALARM
Bit_13=14,600,Alarm 13 with a rather long title,%s \0)ok \1)ALARM
Bit_14=15,600,Alarm 14 with a rather long title,%s \0)ok \1)ALARM
Bit_15=16,600,Alarm 15 with a rather long title,%s \0)ok \1)ALARM
Bit_16=17,600,Alarm 16 with a rather long title,%s \0)ok \1)ALARM
Bit_17=18,600,Alarm 17 with a rather long title,%s \0)ok \1)ALARM
Bit_18=19,600,Alarm 18 with a rather long title,%s \0)ok \1)ALARM
Bit_19=20,600,Alarm 19 with a rather long title,%s \0)ok \1)ALARM
Long=30,,~{|}`^ punctuation !"$'()*+,-./:<>?@	%d
