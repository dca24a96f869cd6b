#include "UserBufferLoader.h"

#include "FileTextSources.h"
#include "ProfileNumber.h"
#include "common/IniProfile.h"
#include "common/PathUtil.h"

#include <QStringList>

#include <limits>

namespace tlv::viewer {

namespace {

constexpr qint32 DefaultWidth = 1000;

const QStringList typeWords { QStringLiteral("Bit"), QStringLiteral("Nible"),
    QStringLiteral("Byte"), QStringLiteral("Word"), QStringLiteral("Long"),
    QStringLiteral("Strg") };

// Highest bit, nibble, byte or word number of a data type; 0 when it takes none.
int maxPosition(qint16 type)
{
    switch (type) {
    case ColumnDescription::Bit:
        return 31;
    case ColumnDescription::Nibble:
        return 7;
    case ColumnDescription::Byte:
        return 3;
    case ColumnDescription::Word:
        return 1;
    default:
        return 0;
    }
}

} // namespace

UserBufferLoader::UserBufferLoader(FileTextSources *texts)
    : m_texts(texts)
{ }

bool UserBufferLoader::parseColumnLine(
    const QString &line, int i, qint16 recordLength, ColumnTable &table, QString *error)
{
    QStringList fields = line.split(u',');
    if (fields.size() < 8)
        return false;
    // The title is free text and may hold commas; the fields around it do not.
    if (fields.size() > 8) {
        const qsizetype extra = fields.size() - 8;
        const QString title = fields.mid(5, extra + 1).join(u',');
        fields.remove(5, extra + 1);
        fields.insert(5, title);
    }

    const auto type = static_cast<qint16>(typeWords.indexOf(fields.at(1)) + 1);
    if (type == 0)
        return false;

    const QString where = QStringLiteral("Column") + QString::number(i);
    qint16 registerIndex = 0;
    if (!ProfileNumber::leading(fields.at(0), &registerIndex) || registerIndex < 0
        || registerIndex >= recordLength) {
        *error = where + QStringLiteral(": record place ") + fields.at(0).trimmed()
            + QStringLiteral(" lies outside the record (0 to ") + QString::number(recordLength - 1)
            + u')';
        return false;
    }
    qint16 position = 0;
    if (!ProfileNumber::leading(fields.at(2), &position) || position < 0
        || position > maxPosition(type)) {
        *error = where + QStringLiteral(": position ") + fields.at(2).trimmed()
            + QStringLiteral(" does not exist in a ") + fields.at(1);
        return false;
    }
    qint32 width = DefaultWidth;
    if (!fields.at(4).trimmed().isEmpty() && !ProfileNumber::leading(fields.at(4), &width)) {
        *error = where + QStringLiteral(": invalid width ") + fields.at(4).trimmed();
        return false;
    }

    ColumnDescription &column = table[i];
    column.RegisterIndex = registerIndex;
    column.DataType = type;
    column.Position = position;
    column.Width = width;
    column.Title = fields.at(5);
    column.Format = fields.at(6).mid(1);
    table.MaxColumn = qMax(table.MaxColumn, i);
    column.Defined = true;
    return true;
}

namespace {

// The file's keys, read once, and how a message names the file.
struct Source
{
    const common::IniText &text;
    QString fileText;

    [[nodiscard]] QString value(const char *section, const QString &key) const
    {
        return text.read(QLatin1String(section), key);
    }
};

// A user buffer of header type 1, with the header key asked for.
bool checkHeader(const Source &src, const UserBufferRequest &request, UserBufferInfo &info)
{
    qint64 userBuffer = 0;
    ProfileNumber::leading(src.value("TOLVANE", QStringLiteral("UserBuffer")),
        std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), &userBuffer);
    if (userBuffer == 0) {
        info.ErrorText
            = QStringLiteral("No user buffer defined in the source file :") + src.fileText;
        return false;
    }
    info.Title = src.value("USER_BUFFER", QStringLiteral("Title"));
    if (request.compareHeaderKey
        && src.value("USER_BUFFER", QStringLiteral("HeaderKey")) != request.HeaderKey) {
        info.ErrorText
            = QStringLiteral("Incorrect buffer header key in the source file :") + src.fileText;
        return false;
    }
    qint64 headerType = 0;
    ProfileNumber::leading(src.value("USER_BUFFER", QStringLiteral("HeaderType")),
        std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), &headerType);
    if (headerType != 1) {
        info.ErrorText = QStringLiteral("Invalid header type in the source file :") + src.fileText;
        return false;
    }
    return true;
}

bool readSizes(const Source &src, qint16 *recordLength, qint16 *columns, UserBufferInfo &info)
{
    // A record needs at least one place; refused rather than read as empty records.
    if (!ProfileNumber::leading(
            src.value("USER_BUFFER", QStringLiteral("RecordLenght")), recordLength)
        || *recordLength < 1) {
        info.ErrorText = QStringLiteral("Invalid record length ")
            + src.value("USER_BUFFER", QStringLiteral("RecordLenght"))
            + QStringLiteral(" (1 to 32767) in the source file :") + src.fileText;
        return false;
    }
    if (!ProfileNumber::leading(src.value("USER_BUFFER", QStringLiteral("Column")), columns)
        || *columns >= ColumnTable::Size) {
        info.ErrorText = QStringLiteral("Too many columns (")
            + src.value("USER_BUFFER", QStringLiteral("Column")) + QStringLiteral(", at most ")
            + QString::number(ColumnTable::Size - 1) + QStringLiteral(") in the source file :")
            + src.fileText;
        return false;
    }
    return true;
}

bool readSimulation(const Source &src, UserBufferInfo &info)
{
    qint16 interval = 0;
    qint16 records = 0;
    // 0 is a buffer that records on change only; the simulation then writes
    // at its default period.
    if (!ProfileNumber::leading(
            src.value("USER_BUFFER", QStringLiteral("RecordInterval")), &interval)
        || interval < 0) {
        info.ErrorText = QStringLiteral("Invalid record interval ")
            + src.value("USER_BUFFER", QStringLiteral("RecordInterval"))
            + QStringLiteral(" (0 to 32767) in the source file :") + src.fileText;
        return false;
    }
    if (!ProfileNumber::leading(src.value("USER_BUFFER", QStringLiteral("RecordNumber")), &records)
        || records < 1) {
        info.ErrorText = QStringLiteral("Invalid number of records ")
            + src.value("USER_BUFFER", QStringLiteral("RecordNumber"))
            + QStringLiteral(" (1 to 32767) in the source file :") + src.fileText;
        return false;
    }
    info.RecordInterval = interval;
    info.RecordNumber = records;
    return true;
}

} // namespace

bool UserBufferLoader::load(
    const UserBufferRequest &request, ColumnTable &table, UserBufferInfo &info)
{
    info.ErrorText.clear();
    if (m_texts)
        m_texts->startUserBufferLoad();

    const QString &name = request.UserFile;
    const QString fileText = (u'\n') + name;
    const qsizetype dot = name.indexOf(QLatin1String(".tlvr"), 0, Qt::CaseInsensitive);
    if (dot < 0 || dot < name.size() - 5) {
        info.ErrorText = QStringLiteral("Invalid user buffer file :\r") + name;
        return false;
    }
    // One read of the file for all its keys.
    const common::IniText text = common::IniText::fromFile(common::toLocalPath(name));
    const Source src { text, fileText };
    qint16 recordLength = 0;
    qint16 columns = 0;
    if (!checkHeader(src, request, info) || !readSizes(src, &recordLength, &columns, info)
        || (request.Simulation && !readSimulation(src, info)))
        return false;
    info.RecordLenght = recordLength;
    info.Column = columns;

    table.clear();
    for (int i = 1; i <= columns; ++i) {
        const QString line
            = src.value("USER_BUFFER", QStringLiteral("Column") + QString::number(i));
        QString lineError;
        if (!parseColumnLine(line, i, recordLength, table, &lineError) && !lineError.isEmpty()) {
            info.ErrorText = lineError + QStringLiteral(" in the source file :") + fileText;
            return false;
        }
    }
    if (table.MaxColumn < 1) {
        info.ErrorText = QStringLiteral("No valid section founded.");
        return false;
    }
    return true;
}

} // namespace tlv::viewer
