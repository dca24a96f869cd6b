#include "pcdsim/trace/StandardBuffer.h"

#include "common/Cp1252.h"
#include "pcdsim/SimulatedPcd.h"
#include "common/LineCipher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace tlv::pcdsim {

int DescriptionLayout::recordWords(qint32 stringLengths) const
{
    int words = registers;
    for (const int n : stringFormats) {
        const int length = n >= 4 ? n : int((quint32(stringLengths) >> (8 * n)) & 0xFF);
        if (length > 0)
            words += (length + 3) / 4 - 1;
    }
    return words;
}

bool DescriptionLayout::read(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    QByteArray plain;
    if (!common::LineCipher::decipher(file.readAll(), &plain, error)) {
        *error = path + QStringLiteral(": ") + *error;
        return false;
    }
    // Only what the layout needs: [TOLVANE] keys and the string columns of REGISTER_ sections.
    QHash<QString, QString> tolvane;
    QString section;
    static const QRegularExpression stringLine(
        QStringLiteral(R"(^strg\s*=[^,]*,[^,]*,[^,]*,\s*%(\d*))"),
        QRegularExpression::CaseInsensitiveOption);
    const QStringList lines = common::fromCp1252(plain).split(u'\n');
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            section = line.mid(1, line.indexOf(u']') - 1).trimmed().toUpper();
            continue;
        }
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (section == u"TOLVANE") {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0)
                tolvane.insert(line.left(eq).trimmed().toLower(), line.mid(eq + 1).trimmed());
        } else if (section.startsWith(QLatin1String("REGISTER_"))) {
            const QRegularExpressionMatch m = stringLine.match(line);
            if (m.hasMatch())
                stringFormats.append(m.captured(1).toInt());
        }
    }
    bool ok = false;
    headerLength = tolvane.value(QStringLiteral("headerlenght")).toInt(&ok);
    if (!ok || headerLength < 1) {
        *error = path + QStringLiteral(": no HeaderLenght");
        return false;
    }
    headerLength = headerLength >= 16 ? 16 : 8;
    counterIndex = tolvane.value(QStringLiteral("counterindex"), QStringLiteral("4")).toInt(&ok);
    if (!ok || counterIndex < 1) {
        *error = path + QStringLiteral(": bad CounterIndex");
        return false;
    }
    registers = tolvane.value(QStringLiteral("recordlenght")).toInt(&ok);
    if (!ok || registers < 1) {
        *error = path + QStringLiteral(": bad RecordLenght");
        return false;
    }
    const QString stringIndexText = tolvane.value(QStringLiteral("stringindex"));
    stringIndex = stringIndexText.isEmpty() ? -1 : stringIndexText.toInt(&ok);
    if (!stringIndexText.isEmpty() && (!ok || stringIndex < 0))
        stringIndex = -1;
    // The viewer finds the description by the header key at the start of the file name.
    key = QFileInfo(path).fileName().left(4);
    return true;
}

StandardBuffer::StandardBuffer(const DescriptionLayout &description, const Settings &settings)
    : m_description(description)
    , m_settings(settings)
{ }

bool StandardBuffer::setUp(SimulatedPcd &pcd, QString *error)
{
    TraceRing::Layout layout;
    layout.typeKey
        = m_description.headerLength >= 16 ? QStringLiteral("TLV2") : QStringLiteral("TLV1");
    layout.key = m_description.key;
    layout.version = m_settings.version;
    layout.counterIndex = m_description.counterIndex;
    layout.recordLength = m_description.recordWords(m_settings.stringLengths);
    layout.capacity = m_settings.capacity;
    layout.dataBlock = m_settings.dataBlock;
    layout.address = m_settings.address;
    layout.stringIndex = m_description.stringIndex;
    layout.stringLengths = m_settings.stringLengths;
    if (m_settings.startRegister < 0 || m_settings.startRegister >= SimulatedPcd::registerCount) {
        *error = QStringLiteral("Start register out of range");
        return false;
    }
    if (!m_ring.create(pcd, layout, error))
        return false;
    pcd.setRegister(m_settings.startRegister, m_ring.startRegisterValue());
    publishDbx(pcd, m_settings.startRegister, m_ring.startRegisterValue());
    return true;
}

QList<qint32> StandardBuffer::currentRecord(const SimulatedPcd &pcd) const
{
    QList<qint32> record;
    for (int k = 0; k < m_ring.layout().recordLength; ++k)
        record.append(pcd.registerValue(m_settings.source + k));
    return record;
}

void StandardBuffer::cycle(SimulatedPcd &pcd, qint64 elapsedMs)
{
    if (intervalDue(elapsedMs, m_settings.intervalMs))
        write(pcd, currentRecord(pcd));
}

QString StandardBuffer::systemSymbolLine(int startRegister)
{
    // The viewer takes the number from the 19th character on: keep this exact spacing.
    return QStringLiteral("s.tlvr.start\tEQU\tR ") + QString::number(startRegister);
}

bool StandardBuffer::writeSystemSymbols(const QString &folder, int startRegister, QString *error)
{
    QFile file(QDir(folder).filePath(QStringLiteral("Sym_System.sy5")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = file.fileName() + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QByteArray text
        = ";PG5 system symbols\r\n" + common::toCp1252(systemSymbolLine(startRegister)) + "\r\n";
    if (file.write(text) != text.size()) {
        *error = file.fileName() + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

} // namespace tlv::pcdsim
