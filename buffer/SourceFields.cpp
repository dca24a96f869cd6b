#include "buffer/SourceFields.h"

#include "buffer/UserColumns.h"

#include <QRegularExpression>

namespace tlv::buffer {

namespace {

using Field = EditorFields::Field;

constexpr QStringView Separators = u"',();";

// The start pointer is a register of the PCD: "R n" or a bare n.
QString startRegisterProblem(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^(?:[Rr]\s+)?(\d{1,5})$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch() || m.captured(1).toInt() > 16383)
        return QStringLiteral("it is no register R 0 to R 16383");
    return {};
}

// A typed address (a letter, a blank, a number) must name a medium and an
// address the PCD has; anything else is a symbol, which the PCD's build resolves.
QString addressProblem(const QString &variable)
{
    if (variable.size() < 2 || variable[1] != u' ')
        return {};
    static const QRegularExpression pattern(
        QStringLiteral(R"(^([RFIOTC]) +(\d{1,5})$)"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(variable);
    if (!m.hasMatch())
        return QStringLiteral("it is no PCD address");
    const QChar medium = m.captured(1).front().toUpper();
    const int limit = medium == u'R' ? 16383 : (medium == u'T' || medium == u'C') ? 1599 : 8191;
    if (m.captured(2).toInt() > limit)
        return QStringLiteral("its address lies beyond ") + QString::number(limit);
    return {};
}

} // namespace

QString SourceFields::argumentProblem(const QString &text, bool required, bool quoted)
{
    if (required && text.trimmed().isEmpty())
        return QStringLiteral("it is empty");
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n')
            return QStringLiteral("it holds a line break");
        if (c.unicode() < 32)
            return QStringLiteral("it holds a control character");
        if (Separators.contains(c))
            return QStringLiteral("it holds \"") + c + u'"';
    }
    if (!quoted && text != text.trimmed())
        return QStringLiteral("it has blanks before or after it");
    return {};
}

SourceFields::Result SourceFields::check(const UserColumns &buffer, bool configured)
{
    Result r;
    const struct
    {
        const char *name;
        QString text;
        bool required;
        bool quoted;
        Field field;
    } fields[] = {
        { "Header Key", buffer.headerKey(), true, true, Field::None },
        // Written trimmed, with "R " in front when it holds no blank.
        { "Start Register", buffer.startReg().trimmed(), true, false, Field::StartReg },
        { "Record Enable", buffer.recordEnable(), false, false, Field::RecordEnable },
        { "Record Command", buffer.recordCommand(), false, false, Field::RecordCommand },
        { "Clear Command", buffer.clearBuf(), false, false, Field::ClearCommand },
        { "Tolvane Command", buffer.closeTlv(), false, false, Field::ViewerCommand },
        { "Serial Number", buffer.serialNr(), false, false, Field::SerialNumber },
    };
    for (const auto &f : fields) {
        QString problem = argumentProblem(f.text, f.required, f.quoted);
        if (problem.isEmpty() && f.field == Field::StartReg)
            problem = startRegisterProblem(f.text);
        if (!problem.isEmpty()) {
            r.ok = false;
            r.message = QStringLiteral("Invalid ") + QLatin1String(f.name) + QStringLiteral(" : ")
                + problem;
            r.field = f.field;
            return r;
        }
    }
    for (int i = 1; i <= buffer.count(); ++i) {
        QString problem = argumentProblem(buffer.item(i)->Variable, true);
        if (problem.isEmpty())
            problem = addressProblem(buffer.item(i)->Variable);
        if (!problem.isEmpty()) {
            r.ok = false;
            r.message = QStringLiteral("Invalid PCD Variable in column ") + QString::number(i)
                + QStringLiteral(" : ") + problem;
            r.row = i;
            r.gridColumn = VariableGridColumn;
            return r;
        }
    }
    // Records of no place: the PCD would keep a ring the viewer cannot read.
    if (configured && buffer.count() == 0) {
        r.ok = false;
        r.message = QStringLiteral("No column to record in the buffer");
    }
    return r;
}

} // namespace tlv::buffer
