#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>

#include <ostream>

// Readable failure output for Qt texts.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toUtf8().replace("\r", "\\r").replace("\n", "\\n").constData() << '"';
}

namespace tlv::buffer::test {

inline QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

inline QString fixture(const QString &name)
{
    return QStringLiteral(TOLVANE_TEST_DATA "/buffer/") + name;
}

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The lines of a text without the first one (the date line of a generated source).
inline QByteArray withoutFirstLine(const QByteArray &bytes)
{
    const qsizetype eol = bytes.indexOf('\n');
    return eol < 0 ? QByteArray() : bytes.mid(eol + 1);
}

} // namespace tlv::buffer::test
