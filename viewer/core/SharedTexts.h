#pragma once

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

namespace tlv::viewer {

// Characters appended a few at a time: the storage grows by doubling, so an append
// is a bounds check and a copy, not a resize of the array each time.
template<qsizetype Prealloc> class TextBuffer
{
public:
    TextBuffer()
        : m_chars(Prealloc)
    { }

    void append(char16_t c)
    {
        *room(1) = c;
        ++m_size;
    }
    void append(QStringView text)
    {
        char16_t *out = room(text.size());
        for (const QChar c : text)
            *out++ = c.unicode();
        m_size += text.size();
    }
    void clear() { m_size = 0; }
    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] const char16_t *data() const { return m_chars.constData(); }
    [[nodiscard]] QStringView view() const { return QStringView(m_chars.constData(), m_size); }

private:
    // Room for n more characters at the end.
    char16_t *room(qsizetype n)
    {
        if (n > m_chars.size() - m_size)
            m_chars.resize(qMax(m_size + n, 2 * m_chars.size()));
        return m_chars.data() + m_size;
    }

    QVarLengthArray<char16_t, Prealloc> m_chars; // its size is the room, m_size the text
    qsizetype m_size = 0;
};

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
        m_chars.append(text);
        m_chars.append(u'\0');
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
    TextBuffer<4096> m_chars;
    QVarLengthArray<Piece, 256> m_pieces;
    QVarLengthArray<Gift, 256> m_gifts;
};

} // namespace tlv::viewer
