#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

namespace tlv::comm {

// One entry of the controller's DBX registry as found by a key search.
// A 128-byte entry holds a 60-byte text, one 32-bit value (bytes 60-63) and
// sixteen 32-bit values (bytes 64-127). PG5's channel delivers them big-endian
// with the text in order; the maker's driver delivers every 32-bit group
// little-endian, text included.
struct DbxEntry
{
    static constexpr int EntrySize = 128;
    static constexpr int TextSize = 60;
    static constexpr int SlotCount = 17;

    QString text;
    qint32 value = 0;
    // Whole values only; slots 0-15 are filled by a search, slot 16 stays 0.
    std::array<qint64, SlotCount> values {};

    // Text of an entry as PG5's channel delivers it; empty if the block is short.
    [[nodiscard]] static QString scommText(const QByteArray &block);
    [[nodiscard]] static DbxEntry fromScommBlock(const QByteArray &block);
    // The same for the maker's driver (groups of four bytes taken 3, 2, 1, 0).
    [[nodiscard]] static QString varnokText(const QByteArray &block);
    [[nodiscard]] static DbxEntry fromVarnokBlock(const QByteArray &block);
};

} // namespace tlv::comm
