#include "app/core/BufferEditor.h"

#include "buffer/BufferCommands.h"
#include "buffer/NumberText.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"

namespace tlv::app {

namespace {

constexpr int LastFixedColumn = 7;

} // namespace

BufferEditor::BufferEditor(buffer::TraceProject &project, const buffer::cFormats &formats,
    buffer::BufferCommands &commands, common::Prompter &prompter, QObject *parent)
    : QObject(parent)
    , m_project(project)
    , m_formats(formats)
    , m_commands(commands)
    , m_prompter(prompter)
{ }

buffer::UserColumn BufferEditor::newColumn()
{
    buffer::UserColumn c;
    c.DataType = QStringLiteral("Long");
    c.Format = QStringLiteral("%d");
    c.Width = 1000;
    return c;
}

void BufferEditor::FillFields()
{
    const bool wasFilling = m_filling;
    m_filling = true;
    m_fields = buffer::EditorFields::fromModel(m_project.buffer());
    Q_EMIT fieldsChanged();
    m_gridReady = false;
    Q_EMIT headingsChanged();
    Q_EMIT gridChanged();
    m_gridReady = true;
    m_filling = wasFilling;
}

void BufferEditor::fieldEdited()
{
    if (!m_filling)
        m_project.buffer().setChanged(true);
}

void BufferEditor::memoryChosen(int index)
{
    if (index < 0)
        return;
    m_fields.memory = qint16(index);
    m_project.buffer().setMemory(qint16(index));
    fieldEdited();
}

void BufferEditor::recordChangeToggled(bool on)
{
    fieldEdited();
    const qint16 value = on ? 1 : 0;
    if (m_project.buffer().recordChange() == value)
        return;
    m_project.buffer().setRecordChange(value);
    m_gridReady = false;
    Q_EMIT headingsChanged();
    Q_EMIT gridChanged();
    m_gridReady = true;
}

int BufferEditor::gridColumnCount() const
{
    return m_project.buffer().recordChange() != 0 ? DeltaColumn + 1 : LastFixedColumn + 1;
}

int BufferEditor::gridRowCount() const
{
    return m_project.buffer().count() + 1;
}

QString BufferEditor::heading(int column)
{
    switch (column) {
    case TitleColumn:
        return QStringLiteral("Column Title");
    case VariableColumn:
        return QStringLiteral("PCD Variable");
    case PlaceColumn:
        return QStringLiteral("Place in Record");
    case DataTypeColumn:
        return QStringLiteral("Data Type");
    case PositionColumn:
        return QStringLiteral("Data Position");
    case FormatColumn:
        return QStringLiteral("Format");
    case WidthColumn:
        return QStringLiteral("Column Width");
    case DeltaColumn:
        return QStringLiteral("Change Delta");
    default:
        return {};
    }
}

QString BufferEditor::cellText(int row, int column) const
{
    if (column < 0 || column >= gridColumnCount())
        return {};
    if (row == 0)
        return heading(column);
    const buffer::UserColumn *c = m_project.buffer().item(row);
    if (!c)
        return {};
    switch (column) {
    case 0:
        return QStringLiteral("Colum ") + QString::number(row);
    case TitleColumn:
        return c->Title;
    case VariableColumn:
        return c->Variable;
    case PlaceColumn:
        return QString::number(c->RecPlace);
    case DataTypeColumn:
        return c->DataType;
    case PositionColumn:
        return QString::number(c->DataPos);
    case FormatColumn:
        return c->show(m_formats);
    case WidthColumn:
        return QString::number(c->Width);
    case DeltaColumn:
        return QString::number(c->Delta);
    default:
        return {};
    }
}

void BufferEditor::setCurrentRow(int row, bool labelCell)
{
    m_currentRow = row;
    m_labelSelected = labelCell;
    Q_EMIT toolsChanged();
}

void BufferEditor::enterCell(int row, int column)
{
    if (!m_gridReady)
        return;
    if (column == 0 && row >= 1 && row < gridRowCount())
        setCurrentRow(row, true);
    else
        setCurrentRow(0, false);
}

bool BufferEditor::toolEnabled(Tool tool) const
{
    // Paste with nothing copied would do nothing: it waits for copy or cut.
    if (tool == Tool::Paste)
        return m_labelSelected && m_clipboardFilled;
    return tool == Tool::Add || m_labelSelected;
}

BufferEditor::Cell BufferEditor::selectRow(int r, bool scrollToTop)
{
    const int count = m_project.buffer().count();
    if (r > count)
        r = count;
    Cell cell { r, 0, scrollToTop };
    if (count == 1 && r == 1)
        cell.column = TitleColumn;
    enterCell(cell.row, cell.column);
    return cell;
}

std::optional<BufferEditor::Cell> BufferEditor::toolClicked(Tool tool)
{
    if (!toolEnabled(tool))
        return std::nullopt;
    buffer::UserColumns &b = m_project.buffer();
    const int current = m_currentRow;
    const auto refresh = [this] {
        m_gridReady = false;
        Q_EMIT gridChanged();
        m_gridReady = true;
    };
    const auto removeCurrent = [&]() -> bool {
        if (gridRowCount() < 3 || !b.item(current))
            return false;
        b.setChanged(true);
        b.remove(current);
        refresh();
        return true;
    };

    switch (tool) {
    case Tool::Add:
        b.setChanged(true);
        b.add(newColumn());
        refresh();
        return selectRow(b.count(), true);
    case Tool::Insert:
        b.setChanged(true);
        b.add(newColumn(), qint16(current));
        refresh();
        return selectRow(current + 1);
    case Tool::Remove:
        if (!removeCurrent())
            return std::nullopt;
        return selectRow(current);
    case Tool::Copy:
    case Tool::Cut:
        if (const buffer::UserColumn *c = b.item(current)) {
            m_clipboard = *c;
            m_clipboardFilled = true;
            Q_EMIT toolsChanged();
        }
        if (tool == Tool::Copy || !removeCurrent())
            return std::nullopt;
        return selectRow(current);
    case Tool::Paste:
        if (!m_clipboardFilled)
            return std::nullopt;
        b.setChanged(true);
        b.add(m_clipboard, qint16(current));
        refresh();
        return selectRow(current + 1);
    }
    return std::nullopt;
}

bool BufferEditor::dropVariable(int row, int column, const QString &text)
{
    buffer::UserColumn *c = m_project.buffer().item(row);
    if (!c || text.isEmpty() || column < 0 || column >= gridColumnCount())
        return false;
    if (text.size() >= 2 && text[1] == u' ') {
        const QString rest = text.mid(1);
        if (!buffer::isNumeric(rest) || buffer::fieldNumber(rest) > 16383)
            return false;
    }
    c->Variable = text;
    // Marked as a change, so closing asks before the dropped variable is lost.
    m_project.buffer().setChanged(true);
    Q_EMIT gridChanged();
    return true;
}

void BufferEditor::ChangeColumnValue(int row, int column, const QString &value)
{
    buffer::UserColumn *c = m_project.buffer().item(row);
    if (!c)
        return;
    const double number = buffer::fieldNumber(value);
    switch (column) {
    case TitleColumn:
        c->Title = value;
        break;
    case VariableColumn:
        c->Variable = value;
        break;
    case PlaceColumn:
        c->RecPlace = buffer::toInt16(number).value_or(c->RecPlace);
        break;
    case DataTypeColumn:
        c->DataType = value;
        break;
    case PositionColumn:
        c->DataPos = buffer::toInt16(number).value_or(c->DataPos);
        break;
    case FormatColumn:
        c->Format = value;
        break;
    case WidthColumn:
        c->Width = buffer::toInt32(number).value_or(c->Width);
        break;
    case DeltaColumn:
        c->Delta = buffer::toInt32(number).value_or(c->Delta);
        break;
    default:
        return;
    }
    m_project.buffer().setChanged(true);
    Q_EMIT gridChanged();
}

void BufferEditor::afterStore(bool ok)
{
    const buffer::BufferStore::Result &r = m_commands.lastStore();
    // Normalised addresses and the record length go back into the boxes.
    m_filling = true;
    if (ok)
        m_fields.recordLength = QString::number(m_project.buffer().recordLen());
    Q_EMIT fieldsChanged();
    m_filling = false;
    if (ok)
        return;
    if (r.field != buffer::EditorFields::Field::None)
        Q_EMIT focusField(r.field);
    else if (r.row > 0)
        Q_EMIT selectCell(r.row, r.gridColumn);
}

bool BufferEditor::saveCommand(bool withSettings)
{
    const buffer::BufferCommands::Outcome outcome = m_commands.save(m_fields, withSettings);
    common::tell(m_prompter, outcome.messages);
    const bool ok = outcome.ok;
    afterStore(ok);
    return ok;
}

bool BufferEditor::compileCommand()
{
    const buffer::BufferCommands::Outcome outcome = m_commands.compile(m_fields);
    common::tell(m_prompter, outcome.messages);
    const bool ok = outcome.ok;
    afterStore(ok);
    return ok;
}

} // namespace tlv::app
