#pragma once

#include "app/core/BufferEditor.h"

#include <QMap>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QToolBar;

namespace tlv::app {

class BufferGrid;

// Tab 1, the buffer configuration: the property fields, the file toolbar with
// "save" and "compile", the grid toolbar tlbBuffer and the grid mfgFile.
class BufferPage : public QWidget
{
    Q_OBJECT
public:
    explicit BufferPage(BufferEditor &editor, QWidget *parent = nullptr);

    [[nodiscard]] BufferGrid *grid() const { return m_grid; }
    [[nodiscard]] QAction *tool(BufferEditor::Tool tool) const;
    [[nodiscard]] QAction *saveAction() const { return m_save; }
    [[nodiscard]] QAction *compileAction() const { return m_compile; }
    [[nodiscard]] QLineEdit *field(buffer::EditorFields::Field field) const;
    [[nodiscard]] QCheckBox *recordChange() const { return m_recordChange; }
    [[nodiscard]] QComboBox *memory() const { return m_memory; }

    void refreshGrid();
    bool save();
    bool compile();

Q_SIGNALS:
    // Open the edit dialog for a cell (editor row, grid column).
    void editRequested(int row, int column);

private:
    // One part of the page each, with its bindings.
    QToolBar *buildFileBar();
    QGroupBox *buildFieldsFrame();
    QToolBar *buildGridBar();
    BufferGrid *buildGrid();
    QLineEdit *addField(buffer::EditorFields::Field field, const QString &name, const QString &tip,
        QString buffer::EditorFields::*member);
    void showFields();
    void buildHeadings();
    void cellEntered(int row, int column);
    void runTool(BufferEditor::Tool tool);
    void focusField(buffer::EditorFields::Field field);

    BufferEditor &m_editor;
    BufferGrid *m_grid = nullptr;
    QToolBar *m_fileBar = nullptr;
    QToolBar *m_gridBar = nullptr;
    QAction *m_save = nullptr;
    QAction *m_compile = nullptr;
    QMap<BufferEditor::Tool, QAction *> m_tools;
    QMap<buffer::EditorFields::Field, QLineEdit *> m_fields;
    QMap<buffer::EditorFields::Field, QString buffer::EditorFields::*> m_members;
    QComboBox *m_memory = nullptr;
    QCheckBox *m_recordChange = nullptr;
};

} // namespace tlv::app
