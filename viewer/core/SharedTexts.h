#pragma once

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

namespace tlv::viewer {

// Many short texts made at once, kept in one allocation: a decoded record has a few
// hundred cell texts, and one allocation each cost more than all of its formatting.
// Every text is an ordinary QString sharing that block (copy-on-write as always, and
// NUL-terminated like any QString); the block goes when its last text goes.
class SharedTexts
{
public:
    // Adds a text to the block to come; the number to give() it by.
    qsizetype add(QStringView text)
    {
        const qsizetype offset = m_chars.size();
        m_chars.resize(offset + text.size() + 1);
        char16_t *out = m_chars.data() + offset;
        for (const QChar c : text)
            *out++ = c.unicode();
        *out = u'\0';
        m_pieces.append({ offset, text.size() });
        return m_pieces.size() - 1;
    }
    // target receives text number piece at publish(); it must stay where it is until then.
    void give(qsizetype piece, QString *target) { m_gifts.append({ piece, target }); }
    // Hands every target its text, all in one new block, and starts empty again.
    void publish();

private:
    struct Piece
    {
        qsizetype offset;
        qsizetype size;
    };
    struct Gift
    {
        qsizetype piece;
        QString *target;
    };
    QVarLengthArray<char16_t, 4096> m_chars;
    QVarLengthArray<Piece, 256> m_pieces;
    QVarLengthArray<Gift, 256> m_gifts;
};

} // namespace tlv::viewer
