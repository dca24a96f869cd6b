#pragma once

#include <QString>
#include <QStringList>

namespace tlv::pcdsim {

class SimulatedPcd;

// Fills a SimulatedPcd from set-up lines, one statement per line; '#' starts a comment.
//
//   station 10                       S-Bus station (0..254)
//   status R                         CPU status: a letter (R S H C D ...) or a byte 0..255
//   R 100 = 1 -2 0x7FFF              registers from R100 on; likewise T (timers), C (counters)
//   F 3 = 1 0 1                      flags from F3 on; likewise I (inputs), O (outputs)
//   DB 7 size 100                    data block 7 with 100 elements (at most 16383)
//   DB 7 10 = 5 6 7                  DB 7 elements from 10 on (the block grows as needed)
//   DBX 6 size 404                   DBX 6 of 404 bytes
//   DBX 6 bytes 0 = 00 01 FF         raw bytes in hex from byte 0 on
//   DBX 6 text 0 = PG5Version=2.1\n  text from byte 0 on; escapes \n \t \\ \xHH
//   DBX 5 entry 2 TLVR__ACCESS_KEY 1000 [v0 .. v15]
//                                    128-byte registry entry at byte 2: key (at most 60
//                                    bytes, may be "quoted"), value, up to 16 table values
//
// Numbers are decimal or 0x hexadecimal; 32-bit values may be given unsigned up to 0xFFFFFFFF.
class PcdSetup
{
public:
    // Applies one line; false with a message (memory unchanged by that line) on a bad line.
    static bool applyLine(const QString &line, SimulatedPcd *pcd, QString *error);
    // Applies every line of a file; stops at the first bad line, naming its number.
    static bool applyFile(const QString &path, SimulatedPcd *pcd, QString *error);
    static bool applyLines(const QStringList &lines, SimulatedPcd *pcd, QString *error,
        const QString &origin = QString());
};

} // namespace tlv::pcdsim
