#pragma once

// What every fuzz target shares: one application object, a private scratch
// folder, a prompter that never waits, and a reader that takes the input apart.

#include "common/Prompter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tlv::fuzz {

// Timers, sockets and QTemporaryDir want an application; libFuzzer's main makes none.
inline void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tolvane-fuzz";
    static char *argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
}

// One scratch folder per process, removed at exit.
inline const QString &scratch()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tolvane-fuzz-XXXXXX"));
    static const QString path = dir.path();
    return path;
}

inline QString sourceFile(const char *relative)
{
    return QStringLiteral(TOLVANE_SOURCE_DIR "/") + QString::fromUtf8(relative);
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void copyFile(const QString &from, const QString &to)
{
    const QByteArray bytes = readFile(from);
    if (bytes.isEmpty())
        std::abort();
    writeFile(to, bytes);
}

// A broken property: says which and aborts, so libFuzzer keeps the input.
[[noreturn]] inline void propertyFailed(const char *what)
{
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

// Answers every question with No (or Cancel) and picks no file.
class SilentPrompter : public common::Prompter
{
public:
    Answer message(const QString &, const QString &, Style, Buttons buttons) override
    {
        ++messages;
        switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            return Answer::No;
        case Buttons::RetryCancel:
            return Answer::Cancel;
        }
        return Answer::Ok;
    }
    QString openFile(const FileRequest &) override { return {}; }
    QString saveFile(const FileRequest &) override { return {}; }

    int messages = 0;
};

// Takes the input apart from the front; past the end it yields zeros.
class Input
{
public:
    Input(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    { }

    [[nodiscard]] bool atEnd() const { return m_at >= m_size; }
    [[nodiscard]] size_t left() const { return m_size - m_at; }

    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    uint16_t u16() { return uint16_t((byte() << 8) | byte()); }
    uint32_t u32() { return (uint32_t(u16()) << 16) | u16(); }
    // At most n bytes.
    QByteArray bytes(size_t n)
    {
        n = n < left() ? n : left();
        QByteArray out(reinterpret_cast<const char *>(m_data + m_at), qsizetype(n));
        m_at += n;
        return out;
    }
    QByteArray rest() { return bytes(left()); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};

} // namespace tlv::fuzz
