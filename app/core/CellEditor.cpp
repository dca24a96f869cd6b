#include "app/core/CellEditor.h"

#include "app/core/BufferEditor.h"
#include "buffer/NumberText.h"
#include "buffer/cFormats.h"
#include "common/Cp1252.h"
#include "common/Prompter.h"

namespace tlv::app {

namespace {

using Style = common::Prompter::Style;

const QString Title = QStringLiteral("Tolvane");

struct ColumnText
{
    const char16_t *caption;
    const char16_t *prompt;
};

const ColumnText Texts[] = {
    { u"", u"" },
    { u"Edit Column Title", u"Column title :" },
    { u"Edit PCD Variable", u"PCD Variable :" },
    { u"Edit Place in Record", u"Place in Record :" },
    { u"Edit Data Type", u"Data type :" },
    { u"Edit Data Position", u"Register data position :" },
    { u"Edit Display Format", u"Display in format :" },
    { u"Edit Column width", u"Column width :" },
    { u"Edit On Change Delta", u"On Change Delta value :" },
};

} // namespace

CellEditor::CellEditor(
    BufferEditor &editor, const buffer::cFormats &formats, common::Prompter &prompter)
    : m_editor(editor)
    , m_formats(formats)
    , m_prompter(prompter)
{ }

QStringList CellEditor::dataTypes()
{
    return { QStringLiteral("Bit"), QStringLiteral("Nible"), QStringLiteral("Byte"),
        QStringLiteral("Word"), QStringLiteral("Long") };
}

QStringList CellEditor::positionsFor(const QString &dataType)
{
    int count = 0;
    if (dataType == u"Bit")
        count = 32;
    else if (dataType == u"Nible")
        count = 8;
    else if (dataType == u"Byte")
        count = 4;
    else if (dataType == u"Word")
        count = 2;
    else if (dataType == u"Long")
        count = 1;
    QStringList positions;
    for (int i = 0; i < count; ++i)
        positions.append(QString::number(i));
    return positions;
}

bool CellEditor::open(int row, int column)
{
    m_open = false;
    if (row < 1 || row >= m_editor.gridRowCount() || column < 1
        || column >= m_editor.gridColumnCount())
        return false;
    m_row = row;
    m_column = column;
    m_form = Form();
    m_formatKeys.clear();
    m_form.caption = QString::fromUtf16(Texts[column].caption);
    m_form.prompt = QString::fromUtf16(Texts[column].prompt);
    m_form.text = m_editor.cellText(row, column);
    const QString dataType = m_editor.cellText(row, BufferEditor::DataTypeColumn);

    switch (column) {
    case BufferEditor::DataTypeColumn:
        m_form.list = true;
        m_form.items = dataTypes();
        m_form.selected = int(m_form.items.indexOf(m_form.text));
        if (m_form.selected < 0)
            m_form.selected = int(m_form.items.size()) - 1;
        break;
    case BufferEditor::PositionColumn:
        m_form.list = true;
        m_form.items = positionsFor(dataType);
        m_form.selected = int(m_form.items.indexOf(m_form.text));
        break;
    case BufferEditor::FormatColumn:
        m_form.list = true;
        for (const buffer::ColFormat &f : m_formats) {
            if (f.allows(dataType)) {
                m_form.items.append(f.description);
                m_formatKeys.append(f.Key);
            }
        }
        m_form.selected = int(m_form.items.indexOf(m_form.text));
        if (m_form.selected < 0 && !m_form.items.isEmpty())
            m_form.selected = 0;
        break;
    default:
        break;
    }
    m_open = true;
    return true;
}

CellEditor::Outcome CellEditor::refuse(const QString &message)
{
    m_prompter.message(message, Title, Style::Exclamation);
    return Outcome::StayOpen;
}

CellEditor::Outcome CellEditor::accept(const QString &text, int listIndex)
{
    if (!m_open)
        return Outcome::Close;
    // The project file is Windows-1252: what it cannot hold would come back as "?".
    if (const QString lost = common::firstNonCp1252(text); !m_form.list && !lost.isEmpty())
        return refuse(common::nonCp1252Message(lost));
    QString value = text;
    switch (m_column) {
    case BufferEditor::VariableColumn:
        if (text.size() >= 2 && text[1] == u' ') {
            const QString rest = text.mid(1);
            if (!buffer::isNumeric(rest) || buffer::fieldNumber(rest) >= 8192)
                return refuse(QStringLiteral("Invalid Variable Name !"));
        }
        break;
    case BufferEditor::PlaceColumn:
        if (!buffer::isNumeric(text))
            return refuse(QStringLiteral("Only numeric value !"));
        // The place is a 16-bit field: refused rather than wrapped.
        if (!buffer::toInt16(buffer::fieldNumber(text)))
            return refuse(QStringLiteral("Invalid value ! (-32768 to 32767)"));
        break;
    case BufferEditor::WidthColumn:
        if (!buffer::isNumeric(text))
            return refuse(QStringLiteral("Only numeric value !"));
        if (!buffer::toInt32(buffer::fieldNumber(text)))
            return refuse(QStringLiteral("Invalid value ! (-2147483648 to 2147483647)"));
        break;
    case BufferEditor::DeltaColumn: {
        const double v = buffer::fieldNumber(text);
        if (!buffer::isNumeric(text) || v < 0 || v > 16383)
            return refuse(QStringLiteral("Invalid value ! (0 to 16383)"));
        break;
    }
    case BufferEditor::DataTypeColumn:
    case BufferEditor::PositionColumn:
        if (listIndex < 0 || listIndex >= m_form.items.size()) {
            m_open = false;
            return Outcome::Close;
        }
        value = m_form.items.at(listIndex);
        break;
    case BufferEditor::FormatColumn:
        if (listIndex < 0 || listIndex >= m_formatKeys.size()) {
            m_prompter.message(QStringLiteral("No format availables !\r\rYou must first select a "
                                              "Data Type."),
                Title, Style::Information);
            m_open = false;
            return Outcome::Close;
        }
        value = m_formatKeys.at(listIndex);
        break;
    default:
        break;
    }
    m_open = false;
    m_editor.ChangeColumnValue(m_row, m_column, value);
    return Outcome::Close;
}

} // namespace tlv::app
