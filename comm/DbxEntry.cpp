#include "comm/DbxEntry.h"

namespace tlv::comm {

namespace {

quint32 bigEndianAt(const QByteArray &b, int at)
{
    return (quint32(quint8(b[at])) << 24) | (quint32(quint8(b[at + 1])) << 16)
        | (quint32(quint8(b[at + 2])) << 8) | quint32(quint8(b[at + 3]));
}

quint32 littleEndianAt(const QByteArray &b, int at)
{
    return quint32(quint8(b[at])) | (quint32(quint8(b[at + 1])) << 8)
        | (quint32(quint8(b[at + 2])) << 16) | (quint32(quint8(b[at + 3])) << 24);
}

template<typename Read> DbxEntry entryFrom(const QByteArray &block, QString text, Read read)
{
    DbxEntry entry;
    if (block.size() < DbxEntry::EntrySize)
        return entry;
    entry.text = std::move(text);
    // Bytes 60-63 do not always fit a signed value; keep their bit pattern.
    entry.value = qint32(read(block, DbxEntry::TextSize));
    for (int i = 0; i < 16; ++i)
        entry.values[i] = qint64(read(block, 64 + 4 * i));
    return entry;
}

} // namespace

QString DbxEntry::scommText(const QByteArray &block)
{
    if (block.size() < TextSize)
        return {};
    QString text(TextSize, QChar());
    for (int i = 0; i < TextSize; ++i)
        text[i] = QChar(char16_t(quint8(block[i])));
    return text;
}

QString DbxEntry::varnokText(const QByteArray &block)
{
    if (block.size() < TextSize)
        return {};
    QString text(TextSize, QChar());
    for (int group = 0; group < TextSize; group += 4) {
        for (int i = 0; i < 4; ++i)
            text[group + i] = QChar(char16_t(quint8(block[group + 3 - i])));
    }
    return text;
}

DbxEntry DbxEntry::fromScommBlock(const QByteArray &block)
{
    return entryFrom(block, scommText(block), bigEndianAt);
}

DbxEntry DbxEntry::fromVarnokBlock(const QByteArray &block)
{
    return entryFrom(block, varnokText(block), littleEndianAt);
}

} // namespace tlv::comm
