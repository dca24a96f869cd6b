#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

namespace tlv::app {

class CellEditor;

// Edits one cell of the buffer grid. Modal to the window and bound to the cell
// it was opened for; OK runs the cell's check and stays open on a refusal.
class frmInput : public QDialog
{
    Q_OBJECT
public:
    frmInput(CellEditor &editor, QWidget *parent = nullptr);

    // Shows the editor's current cell (CellEditor::open was called).
    void load();
    [[nodiscard]] QLineEdit *textField() const { return m_text; }
    [[nodiscard]] QComboBox *list() const { return m_list; }
    // OK as the button does it.
    void okClicked();

protected:
    void done(int result) override;

private:
    CellEditor &m_editor;
    QLabel *m_prompt = nullptr;
    QLineEdit *m_text = nullptr;
    QComboBox *m_list = nullptr;
};

} // namespace tlv::app
