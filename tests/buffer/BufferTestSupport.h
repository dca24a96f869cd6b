#pragma once

#include "tests/TestSupport.h"

#include "buffer/UserColumns.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>

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

using tlv::test::readBytes;
using tlv::test::writeBytes;

// The lines of a text without the first one (the date line of a generated source).
inline QByteArray withoutFirstLine(const QByteArray &bytes)
{
    const qsizetype eol = bytes.indexOf('\n');
    return eol < 0 ? QByteArray() : bytes.mid(eol + 1);
}

// Every property of a buffer in one text, so a difference shows which one.
inline QString describe(const UserColumns &b)
{
    const auto n = [](qint64 v) { return QString::number(v); };
    QString s = u"en=" + n(b.enable()) + u" title=" + b.title() + u" key=" + b.headerKey()
        + u" type=" + n(b.headerType()) + u" start=" + b.startReg() + u" int=" + n(b.recordInt())
        + u" len=" + n(b.recordLen()) + u" records=" + n(b.bufferLen()) + u" column="
        + n(b.column()) + u" enable=" + b.recordEnable() + u" command=" + b.recordCommand()
        + u" clear=" + b.clearBuf() + u" close=" + b.closeTlv() + u" serial=" + b.serialNr()
        + u" change=" + n(b.recordChange()) + u" mem=" + n(b.memory()) + u" changed="
        + n(b.changed());
    for (const UserColumn &c : b)
        s += u" | " + c.Title + u',' + c.Variable + u',' + n(c.RecPlace) + u',' + c.DataType + u','
            + n(c.DataPos) + u',' + c.Format + u',' + n(c.Width) + u',' + n(c.Delta);
    return s;
}

} // namespace tlv::buffer::test
