#include "buffer/PublicEvents.h"

#include "buffer/NumberText.h"
#include "common/Cp1252.h"
#include "common/PathUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tlv::buffer {

namespace {

const QString SymbolFile = QStringLiteral("Sym_System.sy5");

// PG5 writes the name in this case; a copy made by hand may differ.
QString symbolFilePath(const QString &folder)
{
    const QString exact = folder + SymbolFile;
    if (QFileInfo::exists(exact) || folder.isEmpty())
        return exact;
    const QStringList names = QDir(common::toLocalPath(folder)).entryList(QDir::Files);
    for (const QString &name : names) {
        if (name.compare(SymbolFile, Qt::CaseInsensitive) == 0)
            return folder + name;
    }
    return exact;
}

PublicEvents::Result fail(const QString &detail)
{
    PublicEvents::Result r;
    r.statusText = QStringLiteral("Get Public Start Register Error !");
    r.message = QStringLiteral("Get Public Start Register Error: \r\n") + detail;
    return r;
}

} // namespace

PublicEvents::Result PublicEvents::findStartRegister(const QString &projectPath)
{
    QFile file(common::toLocalPath(symbolFilePath(common::folderOf(projectPath))));
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    file.close();

    const QList<QByteArray> lines = data.split('\n');
    for (QByteArray raw : lines) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        QString line = common::fromCp1252(raw);
        if (line.startsWith(u';') || line.size() <= 15)
            continue;
        line.replace(u'\t', u' ');
        if (!line.contains(QStringLiteral("s.tlvr.start EQU")))
            continue;
        const QString tail = line.mid(18);
        const auto reg = toInt16(leadingNumber(tail));
        if (!reg)
            return fail(QStringLiteral("Start register out of range : ") + tail.trimmed());
        return Result { *reg, QString(), QString() };
    }
    Result r;
    r.statusText = QStringLiteral("Public Events Buffer not found !");
    r.message = r.statusText;
    return r;
}

} // namespace tlv::buffer
