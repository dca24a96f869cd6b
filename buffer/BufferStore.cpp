#include "buffer/BufferStore.h"

#include "buffer/AddressField.h"
#include "buffer/BufferType.h"
#include "buffer/KeyRanges.h"
#include "buffer/LayoutValidation.h"
#include "buffer/NumberText.h"
#include "buffer/SourceFields.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "common/Cp1252.h"
#include "common/PromptMessage.h"

#include <optional>

namespace tlv::buffer {

namespace {

using Field = EditorFields::Field;
using Style = common::Prompter::Style;

const QString CompileAborted = QStringLiteral("Compile aborted");

bool hasLineBreak(const QString &text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

BufferStore::Result rejectField(Field field)
{
    return BufferStore::Result { false, field, 0, 0,
        { { QStringLiteral("Invalid buffer value !"), CompileAborted, Style::Exclamation } } };
}

// problem, when given, is told before the verdict.
BufferStore::Result rejectBuffer(
    int row = 0, int gridColumn = 0, const common::PromptMessage &problem = {})
{
    BufferStore::Result result { false, Field::None, row, gridColumn, {} };
    if (!problem.text.isEmpty())
        result.messages << problem;
    result.messages << common::PromptMessage { QStringLiteral("Invalid User Buffer !"),
        CompileAborted, Style::Exclamation };
    return result;
}

common::PromptMessage layoutProblem(const QString &text)
{
    return { text, LayoutValidation::messageTitle(), Style::Exclamation };
}

} // namespace

QString BufferStore::unstorableColumn(const TraceProject &project, int position, int *gridColumn)
{
    const UserColumn *c = project.buffer().item(position);
    if (!c)
        return {};
    const QString n = QString::number(position);
    // The column line has no quoting: a comma would split the field when read
    // back. Only the title may hold commas, its neighbours being comma-free.
    const struct
    {
        const QString &text;
        int gridColumn;
    } texts[] = { { c->Title, 1 }, { c->Variable, 2 }, { c->DataType, 4 }, { c->Format, 6 } };
    for (const auto &t : texts) {
        if ((&t.text != &c->Title && t.text.contains(u',')) || hasLineBreak(t.text)) {
            *gridColumn = t.gridColumn;
            return QStringLiteral("Invalid character in column ") + n
                + QStringLiteral(" : commas and line breaks cannot be stored in a column !");
        }
        // The file would hand it back as "?".
        const QString lost = common::firstNonCp1252(t.text);
        if (!lost.isEmpty()) {
            *gridColumn = t.gridColumn;
            return QStringLiteral("Column ") + n + QStringLiteral(" : ")
                + common::nonCp1252Message(lost);
        }
    }
    if (TraceProject::columnLine(*c).size() > MaxValueLength) {
        *gridColumn = 1;
        return QStringLiteral("Column ") + n
            + QStringLiteral(" is too long to be stored (more than ")
            + QString::number(MaxValueLength) + QStringLiteral(" characters) !");
    }
    return {};
}

BufferStore::Result BufferStore::store(
    EditorFields &fields, bool strict, TraceProject &project, const cFormats &formats)
{
    const Result checked = check(fields, strict, project, formats);
    if (!checked.ok)
        return checked;
    // A full disk or a read-only folder: the file keeps what it had, the buffer stays unsaved.
    if (!project.writeUserBuffer())
        return rejectBuffer(
            0, 0, { project.errorString(), QStringLiteral("Tolvane"), Style::Critical });
    // Cleared only once stored, so a rejected buffer still counts as unsaved.
    project.buffer().setChanged(false);
    return checked;
}

namespace {

// Each step of check: nothing when the step passes, else the rejection.
using Verdict = std::optional<BufferStore::Result>;

Verdict takeRecordInterval(const EditorFields &fields, bool strict, UserColumns &b)
{
    if (fields.recordInterval.trimmed().isEmpty()) {
        b.setRecordInt(0);
        return {};
    }
    if (strict && !isNumeric(fields.recordInterval))
        return rejectField(Field::RecordInterval);
    const double tenths = fieldNumber(fields.recordInterval) * 10.0;
    const KeyRange &interval = KeyRange::of(u"USER_BUFFER", u"RecordInterval");
    if (tenths > interval.high || (strict && tenths < interval.low))
        return rejectField(Field::RecordInterval);
    // 16 bits hold at most 3276.7 s; larger intervals are refused, not wrapped.
    const auto value = toInt16(tenths);
    if (!value)
        return rejectField(Field::RecordInterval);
    b.setRecordInt(*value);
    return {};
}

Verdict takeAddresses(EditorFields &fields, bool strict, UserColumns &b)
{
    const struct
    {
        QString *text;
        const char16_t *allowed;
        Field field;
        void (UserColumns::*set)(const QString &);
    } addresses[] = {
        { &fields.recordEnable, u"FIO", Field::RecordEnable, &UserColumns::setRecordEnable },
        { &fields.recordCommand, u"FIO", Field::RecordCommand, &UserColumns::setRecordCommand },
        { &fields.clearCommand, u"IOF", Field::ClearCommand, &UserColumns::setClearBuf },
        { &fields.viewerCommand, u"R", Field::ViewerCommand, &UserColumns::setCloseTlv },
        { &fields.serialNumber, u"R", Field::SerialNumber, &UserColumns::setSerialNr },
    };
    for (const auto &a : addresses) {
        if (strict && !a.text->isEmpty()) {
            const auto normal = normaliseAddress(*a.text, QStringView(a.allowed));
            if (!normal)
                return rejectField(a.field);
            *a.text = *normal;
        }
        (b.*a.set)(*a.text);
    }
    return {};
}

Verdict takeMemoryAndLength(const EditorFields &fields, bool strict, UserColumns &b)
{
    // The list offers only what the PCD library takes; a value from elsewhere is not compiled.
    b.setMemory(fields.memory);
    if (strict && !KeyRange::of(u"USER_BUFFER", u"RecordMemory").contains(fields.memory))
        return rejectField(Field::Memory);
    if (strict && !KeyRange::of(u"USER_BUFFER", u"RecordChange").contains(b.recordChange()))
        return rejectField(Field::None);

    if (strict && !isNumeric(fields.numberOfRecords))
        return rejectField(Field::NumberOfRecords);
    const double records = fieldNumber(fields.numberOfRecords);
    if (strict && !KeyRange::of(u"USER_BUFFER", u"RecordNumber").contains(records))
        return rejectField(Field::NumberOfRecords);
    const auto bufferLen = toInt16(records);
    if (!bufferLen)
        return rejectField(Field::NumberOfRecords);
    b.setBufferLen(*bufferLen);
    return {};
}

// Texts the project file would hand back cut or broken are refused here.
Verdict storableTexts(const EditorFields &fields)
{
    const struct
    {
        const QString &text;
        Field field;
    } texts[] = {
        { fields.title, Field::Title },
        { fields.startReg, Field::StartReg },
        { fields.recordEnable, Field::RecordEnable },
        { fields.recordCommand, Field::RecordCommand },
        { fields.clearCommand, Field::ClearCommand },
        { fields.viewerCommand, Field::ViewerCommand },
        { fields.serialNumber, Field::SerialNumber },
    };
    for (const auto &t : texts) {
        if (t.text.size() > BufferStore::MaxValueLength || hasLineBreak(t.text))
            return rejectField(t.field);
        const QString lost = common::firstNonCp1252(t.text);
        if (!lost.isEmpty()) {
            return BufferStore::Result { false, t.field, 0, 0,
                { { common::nonCp1252Message(lost), CompileAborted, Style::Exclamation } } };
        }
    }
    return {};
}

// The layout of the columns, as far as the buffer type holds one.
Verdict checkLayout(EditorFields &fields, TraceProject &project, const cFormats &formats)
{
    UserColumns &b = project.buffer();
    if (project.bufferType() == BufferType::Configured) {
        const LayoutValidation::Result check = LayoutValidation::validate(b, formats);
        if (!check.ok)
            return rejectBuffer(check.row, check.gridColumn, layoutProblem(check.message));
        fields.recordLength = QString::number(check.recordLength);
    }
    // What "compile" pastes into the PCD source must read back as the same arguments.
    if (project.bufferType() != BufferType::Standard) {
        const SourceFields::Result check
            = SourceFields::check(b, project.bufferType() == BufferType::Configured);
        if (!check.ok) {
            BufferStore::Result result
                = rejectBuffer(check.row, check.gridColumn, layoutProblem(check.message));
            result.field = check.field;
            return result;
        }
    }
    return {};
}

} // namespace

BufferStore::Result BufferStore::check(
    EditorFields &fields, bool strict, TraceProject &project, const cFormats &formats)
{
    UserColumns &b = project.buffer();
    b.setTitle(fields.title);
    b.setStartReg(fields.startReg);
    Verdict verdict = takeRecordInterval(fields, strict, b);
    if (!verdict)
        verdict = takeAddresses(fields, strict, b);
    if (!verdict)
        verdict = takeMemoryAndLength(fields, strict, b);
    if (!verdict)
        verdict = storableTexts(fields);
    for (int i = 1; !verdict && i <= b.count(); ++i) {
        int gridColumn = 0;
        const QString problem = unstorableColumn(project, i, &gridColumn);
        if (!problem.isEmpty())
            verdict = rejectBuffer(i, gridColumn, layoutProblem(problem));
    }
    if (!verdict && strict)
        verdict = checkLayout(fields, project, formats);
    return verdict.value_or(Result { true, Field::None, 0, 0, {} });
}

} // namespace tlv::buffer
