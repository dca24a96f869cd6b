#include "app/window/frmInput.h"

#include "app/core/CellEditor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tlv::app {

namespace {

// Where the dialog was last; it comes back there.
QPoint lastPosition;
bool hasLastPosition = false;

} // namespace

frmInput::frmInput(CellEditor &editor, QWidget *parent)
    : QDialog(parent)
    , m_editor(editor)
{
    setObjectName(QStringLiteral("frmInput"));
    setWindowModality(Qt::WindowModal);
    auto *layout = new QVBoxLayout(this);
    m_prompt = new QLabel(this);
    m_prompt->setObjectName(QStringLiteral("lblInput"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("txbInput"));
    m_list = new QComboBox(this);
    m_list->setObjectName(QStringLiteral("cmbInput"));
    m_list->setMaxVisibleItems(16);
    layout->addWidget(m_prompt);
    layout->addWidget(m_text);
    layout->addWidget(m_list);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    setMinimumWidth(320);
    connect(ok, &QPushButton::clicked, this, &frmInput::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmInput::load()
{
    const CellEditor::Form &s = m_editor.form();
    setWindowTitle(s.caption);
    m_prompt->setText(s.prompt);
    m_text->setVisible(!s.list);
    m_list->setVisible(s.list);
    m_list->clear();
    if (s.list) {
        m_list->addItems(s.items);
        m_list->setCurrentIndex(s.selected);
        m_list->setFocus();
    } else {
        m_text->setText(s.text);
        m_text->selectAll();
        m_text->setFocus();
    }
    if (hasLastPosition)
        move(lastPosition);
}

void frmInput::okClicked()
{
    const bool list = m_editor.form().list;
    const auto outcome = m_editor.accept(
        list ? m_list->currentText() : m_text->text(), list ? m_list->currentIndex() : -1);
    if (outcome == CellEditor::Outcome::StayOpen) {
        m_text->selectAll();
        m_text->setFocus();
        return;
    }
    accept();
}

void frmInput::done(int result)
{
    lastPosition = pos();
    hasLastPosition = true;
    if (result != QDialog::Accepted)
        m_editor.cancel();
    QDialog::done(result);
}

} // namespace tlv::app
