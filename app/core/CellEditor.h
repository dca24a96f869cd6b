#pragma once

#include <QString>
#include <QStringList>

namespace tlv::buffer {
class cFormats;
}
namespace tlv::common {
class Prompter;
}

namespace tlv::app {

class BufferEditor;

// The edit dialog frmInput without its widgets. It is opened for one cell and
// stays bound to that cell until it closes, whatever the grid does meanwhile.
class CellEditor
{
public:
    enum class Outcome { Close, StayOpen };

    struct Form
    {
        QString caption;
        QString prompt;
        bool list = false; // a list instead of a text field
        QString text; // the cell's text (the field's, all selected)
        QStringList items;
        int selected = -1;
    };

    CellEditor(BufferEditor &editor, const buffer::cFormats &formats, common::Prompter &prompter);

    // False for the label column and the heading row (nothing opens).
    bool open(int row, int column);
    [[nodiscard]] bool isOpen() const { return m_open; }
    [[nodiscard]] const Form &form() const { return m_form; }
    [[nodiscard]] int row() const { return m_row; }
    [[nodiscard]] int column() const { return m_column; }

    // OK with the field's text or the list's selected entry.
    Outcome accept(const QString &text, int listIndex);
    void cancel() { m_open = false; }

    // Positions a data type allows: "0".."31" for Bit ... "0" for Long.
    [[nodiscard]] static QStringList positionsFor(const QString &dataType);
    [[nodiscard]] static QStringList dataTypes();

private:
    Outcome refuse(const QString &message);

    BufferEditor &m_editor;
    const buffer::cFormats &m_formats;
    common::Prompter &m_prompter;
    Form m_form;
    QStringList m_formatKeys;
    int m_row = 0;
    int m_column = 0;
    bool m_open = false;
};

} // namespace tlv::app
