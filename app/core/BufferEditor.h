#pragma once

#include "buffer/EditorFields.h"
#include "buffer/UserColumn.h"

#include <QObject>
#include <QString>

namespace tlv::buffer {
class BufferCommands;
class TraceProject;
class cFormats;
} // namespace tlv::buffer
namespace tlv::common {
class Prompter;
}

namespace tlv::app {

// The buffer configuration tab without its widgets: the property fields, the
// column grid mfgFile, the tlbBuffer toolbar with its selection rules, drops
// and the store through "save" and "compile".
class BufferEditor : public QObject
{
    Q_OBJECT
public:
    enum class Tool { Add, Insert, Remove, Copy, Cut, Paste };
    // Grid columns after the row label column 0.
    static constexpr int TitleColumn = 1;
    static constexpr int VariableColumn = 2;
    static constexpr int PlaceColumn = 3;
    static constexpr int DataTypeColumn = 4;
    static constexpr int PositionColumn = 5;
    static constexpr int FormatColumn = 6;
    static constexpr int WidthColumn = 7;
    static constexpr int DeltaColumn = 8;

    // The cell to make current after a toolbar action.
    struct Cell
    {
        int row = 0;
        int column = 0;
        bool scrollToTop = false;
    };

    BufferEditor(buffer::TraceProject &project, const buffer::cFormats &formats,
        buffer::BufferCommands &commands, common::Prompter &prompter, QObject *parent = nullptr);

    // --- property fields ---
    [[nodiscard]] buffer::EditorFields &fields() { return m_fields; }
    // Model -> fields, grid headings and grid, without marking changes.
    void FillFields();
    [[nodiscard]] bool filling() const { return m_filling; }
    void setFilling(bool on) { m_filling = on; }
    // A field's text changed (the window has put it into fields()).
    void fieldEdited();
    void memoryChosen(int index);
    void recordChangeToggled(bool on);

    // --- grid ---
    [[nodiscard]] int gridColumnCount() const;
    [[nodiscard]] int gridRowCount() const;
    [[nodiscard]] static QString heading(int column);
    [[nodiscard]] QString cellText(int row, int column) const;
    [[nodiscard]] bool gridReady() const { return m_gridReady; }
    void setGridReady(bool ready) { m_gridReady = ready; }

    // --- selection and toolbar ---
    void enterCell(int row, int column);
    [[nodiscard]] int currentRow() const { return m_currentRow; }
    [[nodiscard]] bool toolEnabled(Tool tool) const;
    [[nodiscard]] bool clipboardFilled() const { return m_clipboardFilled; }
    // Runs a toolbar button; the cell to select, or none when nothing changed.
    std::optional<Cell> toolClicked(Tool tool);
    // Where row r lands after an action (and enters it).
    Cell selectRow(int r, bool scrollToTop = false);

    // Text dropped on a cell; true when it became the row's variable.
    bool dropVariable(int row, int column, const QString &text);
    // Writes an edited cell into the model (column 6 takes a format code).
    void ChangeColumnValue(int row, int column, const QString &value);

    // --- the file toolbar ---
    // withSettings false stores the buffer alone (the user declined saving
    // the settings).
    bool saveCommand(bool withSettings = true);
    bool compileCommand();

Q_SIGNALS:
    void fieldsChanged();
    void headingsChanged();
    void gridChanged();
    void toolsChanged();
    // A rejected store points at a field or a cell.
    void focusField(buffer::EditorFields::Field field);
    void selectCell(int row, int column);

private:
    void setCurrentRow(int row, bool labelCell);
    void afterStore(bool ok);
    [[nodiscard]] static buffer::UserColumn newColumn();

    buffer::TraceProject &m_project;
    const buffer::cFormats &m_formats;
    buffer::BufferCommands &m_commands;
    common::Prompter &m_prompter;
    buffer::EditorFields m_fields;
    buffer::UserColumn m_clipboard;
    bool m_clipboardFilled = false;
    bool m_filling = false;
    bool m_gridReady = true;
    bool m_labelSelected = false;
    int m_currentRow = 0;
};

} // namespace tlv::app
