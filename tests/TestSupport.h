#pragma once

// What every test executable shares: an application object for timers and sockets (gtest's
// main makes none), and readable failure output for Qt texts.
#include <QCoreApplication>
#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toUtf8().replace("\r", "\\r").replace("\n", "\\n").constData() << '"';
}

namespace tlv::test {

inline void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tolvane-test";
    static char *argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
}

} // namespace tlv::test
