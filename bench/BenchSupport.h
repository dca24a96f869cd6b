#pragma once

// What the benchmarks share: a watchdog so that no run can hang, the peak memory, and the mixed
// column table (decimal, signed, hex, binary, fixed-point, time, characters and
// value texts) with record words that fit it.

#include "viewer/core/ColumnTable.h"

#include <QFile>
#include <QList>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tlv::bench {

// Ends the process with a message when it runs longer than seconds.
inline void startWatchdog(int seconds, const char *name)
{
    std::thread([seconds, name] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        std::fprintf(stderr, "%s: no result after %d s, stopped\n", name, seconds);
        std::fflush(stderr);
        std::_Exit(3);
    }).detach();
}

// VmHWM of /proc/self/status in kB; -1 when unknown.
inline long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Column k of a record: one word each, eight kinds in turn.
inline viewer::ColumnTable mixedTable(int columns)
{
    using viewer::ColumnDescription;
    viewer::ColumnTable table;
    for (int k = 0; k < columns && k < viewer::ColumnTable::Size; ++k) {
        ColumnDescription &c = table[k];
        c.Defined = true;
        c.Width = 1000;
        c.Title = QStringLiteral("Column %1").arg(k);
        c.RegisterIndex = qint16(k);
        switch (k % 8) {
        case 0:
            c.DataType = ColumnDescription::Long, c.Format = QStringLiteral("d");
            break;
        case 1:
            c.DataType = ColumnDescription::Word, c.Format = QStringLiteral("sd");
            break;
        case 2:
            c.DataType = ColumnDescription::Long, c.Format = QStringLiteral("h");
            break;
        case 3:
            c.DataType = ColumnDescription::Byte, c.Format = QStringLiteral("b");
            break;
        case 4:
            c.DataType = ColumnDescription::Word, c.Format = QStringLiteral("2d");
            break;
        case 5:
            c.DataType = ColumnDescription::Long, c.Format = QStringLiteral("t");
            break;
        case 6:
            c.DataType = ColumnDescription::Word, c.Format = QStringLiteral("a");
            break;
        default:
            c.DataType = ColumnDescription::Byte, c.Format = QStringLiteral("S");
            for (int v = 0; v < 4; ++v)
                c.ValueTexts.append({ v, QStringLiteral("State %1").arg(v) });
            c.TextCount = 4;
            break;
        }
        table.MaxColumn = k;
    }
    return table;
}

// Words of record number n for a table of the given width: values of every size, times
// that are valid clock readings, characters that print.
inline QList<qint32> mixedWords(int columns, int n)
{
    QList<qint32> words(columns);
    quint32 x = 2463534242u ^ quint32(n * 2654435761u);
    for (int k = 0; k < columns; ++k) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        switch (k % 8) {
        case 5:
            words[k] = qint32(1000000 * (1 + x % 12) + 10000 * (x % 24) + 100 * (x % 60)
                + (x >> 8) % 60 + 100000000 * (1 + x % 12));
            break;
        case 6:
            words[k] = qint32(0x4100 + (x % 26) * 0x100 + 0x30 + x % 10);
            break;
        case 7:
            words[k] = qint32(x % 6);
            break;
        default:
            words[k] = qint32(x >> (x % 20));
            break;
        }
    }
    return words;
}

} // namespace tlv::bench
