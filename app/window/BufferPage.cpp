#include "app/window/BufferPage.h"

#include "app/window/BufferGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace tlv::app {

namespace {

using Field = buffer::EditorFields::Field;
using Tool = BufferEditor::Tool;
using F = buffer::EditorFields;

// The property fields and where each sits: two columns of labelled fields.
struct FieldPlace
{
    Field field;
    const char16_t *name;
    const char16_t *label;
    const char16_t *tip;
    QString F::*member;
    int row, column;
};
const FieldPlace Fields[] = {
    { Field::Title, u"txbBufferName", u"Buffer Name:",
        u"Name of the buffer, shown as the viewer's title.", &F::title, 0, 0 },
    { Field::RecordInterval, u"txbRecordInt", u"Record Interval [s]:",
        u"Seconds between two records (0: on command or change only).", &F::recordInterval, 1, 0 },
    { Field::NumberOfRecords, u"txbBufferLen", u"Number of Records :",
        u"Records in the ring (20 to 5000).", &F::numberOfRecords, 3, 0 },
    { Field::RecordLength, u"txbRecordLen", u"Record Length :",
        u"Total record length. Updated when compiled.", &F::recordLength, 4, 0 },
    { Field::StartReg, u"txbStartReg", u"Start Register:",
        u"One register as start pointer for the buffer (must not be used anywhere else). No "
        u"symbol accepted!",
        &F::startReg, 0, 1 },
    { Field::RecordEnable, u"txbRecordEnable", u"Record Enable:",
        u"A flag to enable/disable all recording.", &F::recordEnable, 1, 1 },
    { Field::RecordCommand, u"txbRecordCommand", u"Record Command:",
        u"A flag to force one value record (self reset by the PCD).", &F::recordCommand, 2, 1 },
    { Field::ClearCommand, u"txbClearBuf", u"Clear Command:",
        u"A flag to clear the trace buffer (self reset by the PCD).", &F::clearCommand, 3, 1 },
    { Field::SerialNumber, u"txbSerialNr", u"Serial Number:",
        u"One register to pass a serial numer used in file names.", &F::serialNumber, 4, 1 },
    { Field::ViewerCommand, u"txbCloseTlv", u"Tolvane Command:",
        u"One register to pass command to Tolvane.", &F::viewerCommand, 5, 1 },
};

} // namespace

BufferPage::BufferPage(BufferEditor &editor, QWidget *parent)
    : QWidget(parent)
    , m_editor(editor)
{
    setObjectName(QStringLiteral("BufferPage"));
    // Below the fields' own heights the page scrolls instead of squeezing them.
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("BufferScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(scroll);
    scroll->setWidget(content);
    outer->addWidget(scroll);
    auto *layout = new QVBoxLayout(content);

    layout->addWidget(buildFileBar());
    layout->addWidget(buildFieldsFrame());
    layout->addWidget(buildGridBar());
    layout->addWidget(buildGrid(), 1);

    connect(&m_editor, &BufferEditor::fieldsChanged, this, &BufferPage::showFields);
    connect(&m_editor, &BufferEditor::headingsChanged, this, &BufferPage::buildHeadings);
    connect(&m_editor, &BufferEditor::gridChanged, this, &BufferPage::refreshGrid);
    connect(&m_editor, &BufferEditor::toolsChanged, this, [this] {
        for (auto it = m_tools.cbegin(); it != m_tools.cend(); ++it)
            it.value()->setEnabled(m_editor.toolEnabled(it.key()));
    });
    connect(&m_editor, &BufferEditor::focusField, this, &BufferPage::focusField);
    connect(&m_editor, &BufferEditor::selectCell, this, [this](int row, int column) {
        m_grid->setCurrentCell(row - 1, column);
        m_grid->setFocus();
    });
    buildHeadings();
    for (auto it = m_tools.cbegin(); it != m_tools.cend(); ++it)
        it.value()->setEnabled(m_editor.toolEnabled(it.key()));
}

QToolBar *BufferPage::buildFileBar()
{
    m_fileBar = new QToolBar(this);
    m_fileBar->setObjectName(QStringLiteral("tlbFile"));
    m_fileBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_save = m_fileBar->addAction(
        style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Save"));
    m_save->setObjectName(QStringLiteral("save"));
    m_save->setToolTip(QStringLiteral("Store the buffer in the project file (Ctrl+S)"));
    m_compile = m_fileBar->addAction(
        style()->standardIcon(QStyle::SP_MediaPlay), QStringLiteral("Compile"));
    m_compile->setObjectName(QStringLiteral("compile"));
    m_compile->setToolTip(
        QStringLiteral("Check the buffer, store it and write the PCD source file (F2)"));
    connect(m_save, &QAction::triggered, this, &BufferPage::save);
    connect(m_compile, &QAction::triggered, this, &BufferPage::compile);

    return m_fileBar;
}

QGroupBox *BufferPage::buildFieldsFrame()
{
    auto *box = new QGroupBox(QStringLiteral("Buffer"), this);
    box->setObjectName(QStringLiteral("FrameUserBuffer"));
    auto *form = new QGridLayout(box);
    form->setHorizontalSpacing(10);
    const auto place = [form, box](int row, int column, const QString &text, QWidget *field) {
        auto *label = new QLabel(text, box);
        label->setBuddy(field);
        form->addWidget(label, row, column * 2);
        form->addWidget(field, row, column * 2 + 1);
    };
    // Made in the order the focus moves: the memory after the interval, the check box after
    // the length.
    for (const FieldPlace &f : Fields) {
        QLineEdit *edit
            = addField(f.field, QString::fromUtf16(f.name), QString::fromUtf16(f.tip), f.member);
        place(f.row, f.column, QString::fromUtf16(f.label), edit);
        if (f.field == Field::RecordInterval) {
            m_memory = new QComboBox(box);
            m_memory->setObjectName(QStringLiteral("cmbMemory"));
            m_memory->addItems({ QStringLiteral("RAM DBs"), QStringLiteral("Registers") });
            m_memory->setToolTip(QStringLiteral("Where the PCD keeps the record ring."));
            place(2, 0, QStringLiteral("Memory:"), m_memory);
        } else if (f.field == Field::RecordLength) {
            edit->setReadOnly(true);
            m_recordChange = new QCheckBox(QStringLiteral("Record on Change"), box);
            m_recordChange->setObjectName(QStringLiteral("ckbRecordChange"));
            m_recordChange->setToolTip(QStringLiteral("Save a record on value changes."));
            form->addWidget(m_recordChange, 5, 1);
        }
    }
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 1);
    form->setColumnMinimumWidth(2, 24);
    connect(
        m_memory, &QComboBox::activated, this, [this](int index) { m_editor.memoryChosen(index); });
    connect(m_recordChange, &QCheckBox::clicked, this,
        [this](bool on) { m_editor.recordChangeToggled(on); });
    return box;
}

QToolBar *BufferPage::buildGridBar()
{
    m_gridBar = new QToolBar(this);
    m_gridBar->setObjectName(QStringLiteral("tlbBuffer"));
    m_gridBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const struct
    {
        Tool tool;
        const char16_t *key;
        const char16_t *text;
        const char16_t *tip;
        QStyle::StandardPixmap icon;
    } tools[] = {
        { Tool::Add, u"add", u"Add", u"Append a new column", QStyle::SP_FileDialogNewFolder },
        { Tool::Insert, u"insert", u"Insert", u"Insert a new column after the selected one",
            QStyle::SP_ArrowDown },
        { Tool::Remove, u"remove", u"Remove", u"Remove the selected column", QStyle::SP_TrashIcon },
        { Tool::Copy, u"copy", u"Copy", u"Copy the selected column", QStyle::SP_FileIcon },
        { Tool::Cut, u"cut", u"Cut", u"Copy and remove the selected column",
            QStyle::SP_DialogDiscardButton },
        { Tool::Paste, u"paste", u"Paste", u"Insert the copied column after the selected one",
            QStyle::SP_DialogApplyButton },
    };
    for (const auto &t : tools) {
        QAction *a
            = m_gridBar->addAction(style()->standardIcon(t.icon), QString::fromUtf16(t.text));
        a->setObjectName(QString::fromUtf16(t.key));
        a->setToolTip(QString::fromUtf16(t.tip));
        const Tool tool = t.tool;
        connect(a, &QAction::triggered, this, [this, tool] { runTool(tool); });
        m_tools.insert(tool, a);
    }
    return m_gridBar;
}

BufferGrid *BufferPage::buildGrid()
{
    m_grid = new BufferGrid(this);
    m_grid->setToolTip(QStringLiteral("Select a row label to add, insert, remove, copy, cut or "
                                      "paste columns; Enter or a double click edits a cell. Drop "
                                      "a symbol on a row to use it as the PCD variable."));
    m_grid->setMinimumHeight(fontMetrics().height() * 8);
    connect(m_grid, &QTableWidget::currentCellChanged, this,
        [this](int row, int column) { cellEntered(row, column); });
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column > 0)
            Q_EMIT editRequested(row + 1, column);
    });
    connect(m_grid, &BufferGrid::editRequested, this, [this] {
        if (m_grid->currentColumn() > 0 && m_grid->currentRow() >= 0)
            Q_EMIT editRequested(m_grid->currentRow() + 1, m_grid->currentColumn());
    });
    connect(
        m_grid, &BufferGrid::textDropped, this, [this](int row, int column, const QString &text) {
            m_editor.dropVariable(row, column, text);
        });

    return m_grid;
}

QLineEdit *BufferPage::addField(
    Field field, const QString &name, const QString &tip, QString buffer::EditorFields::*member)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setToolTip(tip);
    m_fields.insert(field, edit);
    m_members.insert(field, member);
    connect(edit, &QLineEdit::textChanged, this, [this, member](const QString &text) {
        if (m_editor.filling())
            return;
        m_editor.fields().*member = text;
        m_editor.fieldEdited();
    });
    return edit;
}

QAction *BufferPage::tool(Tool tool) const
{
    return m_tools.value(tool);
}

QLineEdit *BufferPage::field(Field field) const
{
    return m_fields.value(field);
}

void BufferPage::showFields()
{
    const bool wasFilling = m_editor.filling();
    m_editor.setFilling(true);
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it) {
        const QString text = m_editor.fields().*m_members.value(it.key());
        if (it.value()->text() != text)
            it.value()->setText(text);
    }
    m_memory->setCurrentIndex(m_editor.fields().memory);
    m_recordChange->setChecked(m_editor.gridColumnCount() > BufferEditor::DeltaColumn);
    m_editor.setFilling(wasFilling);
}

void BufferPage::buildHeadings()
{
    const int columns = m_editor.gridColumnCount();
    m_grid->setColumnCount(columns);
    QStringList headings { QString() };
    for (int c = 1; c < columns; ++c)
        headings.append(BufferEditor::heading(c));
    m_grid->setHorizontalHeaderLabels(headings);
    QHeaderView *h = m_grid->horizontalHeader();
    h->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->setColumnWidth(0, 80);
    for (int c = 1; c < columns; ++c)
        m_grid->setColumnWidth(c, c == BufferEditor::FormatColumn ? 190 : 118);
    h->setStretchLastSection(true);
}

void BufferPage::refreshGrid()
{
    const bool ready = m_editor.gridReady();
    m_editor.setGridReady(false);
    const int rows = m_editor.gridRowCount() - 1;
    const int columns = m_editor.gridColumnCount();
    if (m_grid->columnCount() != columns)
        buildHeadings();
    m_grid->setRowCount(rows);
    const QPalette p = palette();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            QTableWidgetItem *item = m_grid->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                m_grid->setItem(r, c, item);
            }
            item->setText(m_editor.cellText(r + 1, c));
            if (c == 0) {
                item->setBackground(p.button());
                item->setForeground(p.buttonText());
            }
        }
    }
    m_editor.setGridReady(ready);
}

void BufferPage::cellEntered(int row, int column)
{
    if (!m_editor.gridReady() || row < 0)
        return;
    m_editor.enterCell(row + 1, column);
    m_grid->setSelectionBehavior(
        column == 0 ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    if (column == 0)
        m_grid->selectRow(row);
}

void BufferPage::runTool(Tool tool)
{
    m_grid->clearSelection();
    const auto cell = m_editor.toolClicked(tool);
    if (!cell || cell->row < 1)
        return;
    m_grid->setCurrentCell(cell->row - 1, cell->column);
    cellEntered(cell->row - 1, cell->column);
    if (cell->scrollToTop)
        m_grid->scrollToItem(
            m_grid->item(cell->row - 1, cell->column), QAbstractItemView::PositionAtTop);
    m_grid->setFocus();
}

void BufferPage::focusField(Field field)
{
    if (field == Field::Memory) {
        m_memory->setFocus();
        return;
    }
    if (QLineEdit *edit = m_fields.value(field)) {
        edit->selectAll();
        edit->setFocus();
    }
}

bool BufferPage::save()
{
    return m_editor.saveCommand();
}

bool BufferPage::compile()
{
    return m_editor.compileCommand();
}

} // namespace tlv::app
