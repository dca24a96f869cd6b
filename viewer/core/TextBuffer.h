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
    // Room for n more characters at the end, to be written there and then taken with grow().
    char16_t *tail(qsizetype n) { return room(n); }
    void grow(qsizetype n) { m_size += n; }
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

} // namespace tlv::viewer
