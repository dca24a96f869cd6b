#include "buffer/SourceGenerator.h"

#include "buffer/UserColumns.h"
#include "common/Cp1252.h"
#include "common/PathUtil.h"

#include <QFile>
#include <QLocale>

namespace tlv::buffer {

QString SourceGenerator::sourcePathFor(const QString &projectPath)
{
    const QString name = common::lastPathElement(projectPath);
    if (name.endsWith(QStringLiteral(".tlvr"), Qt::CaseInsensitive)) {
        QString path = projectPath;
        const QChar last = path.back();
        path.back() = last == u'R' ? u'S' : u's';
        return path;
    }
    return projectPath + QStringLiteral(".tlvs");
}

QString SourceGenerator::programVersionNumber(int major, int minor, int revision)
{
    return QString::number(major) + QString::number(minor)
        + QStringLiteral("%1").arg(revision, 3, 10, QLatin1Char('0'));
}

QString SourceGenerator::programVersionNumber()
{
    return programVersionNumber(
        TOLVANE_VERSION_MAJOR, TOLVANE_VERSION_MINOR, TOLVANE_VERSION_PATCH);
}

QString SourceGenerator::startAddress(const QString &startReg)
{
    const QString s = startReg.trimmed();
    return s.contains(u' ') ? s : QStringLiteral("R ") + s;
}

QString SourceGenerator::typeLetter(const QString &dataType, const QString &format)
{
    QString letter = dataType == u"Bit" ? QStringLiteral("Q") : dataType.left(1);
    if (format.size() >= 2 && (format[1] == u't' || format[1] == u'm'))
        letter += format[1];
    return letter;
}

bool SourceGenerator::isSymbol(const QString &variable)
{
    return !variable.isEmpty() && (variable.size() < 2 || variable[1] != u' ');
}

QByteArray SourceGenerator::text(
    const UserColumns &b, const QDateTime &now, const QString &versionNumber)
{
    const auto n = [](qint64 v) { return QString::number(v); };
    const QLocale locale = QLocale::system();
    QStringList lines;
    lines << QStringLiteral(";;Compiled by Tolvane\t")
            + locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("  ")
            + now.time().toString(QStringLiteral("HH:mm:ss"))
          << QString() << QStringLiteral("$include Tolvane.lib") << QString()
          << QStringLiteral("$group TLVR__GROUP") << QString()
          << QStringLiteral("_COMPILER          EQU  ") + versionNumber
          << QStringLiteral("_LIBMIN            EQU  10100") << QString()
          << QStringLiteral("$endgroup") << QString();

    const QString common = n(b.recordInt()) + u',' + b.recordCommand() + u',' + n(b.recordChange())
        + u',' + n(b.memory()) + u',' + n(b.recordLen()) + u',' + n(b.bufferLen())
        + QStringLiteral(",10)");
    const QString head
        = u'\'' + b.headerKey() + QStringLiteral("',") + startAddress(b.startReg()) + u',';
    if (!b.clearBuf().isEmpty() || !b.serialNr().isEmpty() || !b.closeTlv().isEmpty()) {
        lines << QStringLiteral("TLVR__config3 (") + head + b.serialNr() + u',' + b.closeTlv()
                + u',' + b.clearBuf() + u',' + b.recordEnable() + u',' + common;
    } else {
        lines << QStringLiteral("TLVR__config2 (") + head + b.recordEnable() + u',' + common;
    }
    lines << QString();

    for (const UserColumn &c : b) {
        if (isSymbol(c.Variable))
            lines << QStringLiteral("EXTN ") + c.Variable;
    }
    lines << QString();

    if (b.recordChange() != 0) {
        lines << QStringLiteral("TLVR__ChangeBegin ()") << QString();
        for (const UserColumn &c : b) {
            lines << QStringLiteral("TLVR__Change (") + c.Variable + u',' + n(c.RecPlace) + u','
                    + typeLetter(c.DataType, c.Format) + u',' + n(c.DataPos) + u',' + n(c.Delta)
                    + u')';
        }
        lines << QString() << QStringLiteral("TLVR__ChangeEnd (") + n(b.recordLen()) + u')'
              << QString();
    }

    lines << QStringLiteral("TLVR__RecordBegin ()") << QString();
    for (const UserColumn &c : b) {
        lines << QStringLiteral("TLVR__Record (") + c.Variable + u',' + n(c.RecPlace) + u','
                + typeLetter(c.DataType, c.Format) + u',' + n(c.DataPos) + u')';
    }
    lines << QString() << QStringLiteral("TLVR__RecordEnd (") + n(b.recordLen()) + u')'
          << QString();

    QByteArray bytes;
    for (const QString &line : std::as_const(lines))
        bytes += common::toCp1252(line) + "\r\n";
    return bytes;
}

bool SourceGenerator::write(const UserColumns &buffer, const QString &path, const QDateTime &now)
{
    m_error.clear();
    const QByteArray bytes = text(buffer, now, programVersionNumber());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        m_error = file.errorString();
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

} // namespace tlv::buffer
