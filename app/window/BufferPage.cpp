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
    layout->addWidget(m_fileBar);
    connect(m_save, &QAction::triggered, this, &BufferPage::save);
    connect(m_compile, &QAction::triggered, this, &BufferPage::compile);

    auto *box = new QGroupBox(QStringLiteral("Buffer"), this);
    box->setObjectName(QStringLiteral("FrameUserBuffer"));
    auto *form = new QGridLayout(box);
    form->setHorizontalSpacing(10);
    const auto place = [form](int row, int col, QWidget *label, QWidget *field) {
        form->addWidget(label, row, col * 2);
        form->addWidget(field, row, col * 2 + 1);
    };
    const auto label = [box](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, box);
        l->setBuddy(buddy);
        return l;
    };
    using F = buffer::EditorFields;
    QLineEdit *name = addField(Field::Title, QStringLiteral("txbBufferName"),
        QStringLiteral("Name of the buffer, shown as the viewer's title."), &F::title);
    QLineEdit *interval = addField(Field::RecordInterval, QStringLiteral("txbRecordInt"),
        QStringLiteral("Seconds between two records (0: on command or change only)."),
        &F::recordInterval);
    m_memory = new QComboBox(box);
    m_memory->setObjectName(QStringLiteral("cmbMemory"));
    m_memory->addItems({ QStringLiteral("RAM DBs"), QStringLiteral("Registers") });
    m_memory->setToolTip(QStringLiteral("Where the PCD keeps the record ring."));
    QLineEdit *records = addField(Field::NumberOfRecords, QStringLiteral("txbBufferLen"),
        QStringLiteral("Records in the ring (20 to 5000)."), &F::numberOfRecords);
    QLineEdit *length = addField(Field::RecordLength, QStringLiteral("txbRecordLen"),
        QStringLiteral("Total record length. Updated when compiled."), &F::recordLength);
    length->setReadOnly(true);
    m_recordChange = new QCheckBox(QStringLiteral("Record on Change"), box);
    m_recordChange->setObjectName(QStringLiteral("ckbRecordChange"));
    m_recordChange->setToolTip(QStringLiteral("Save a record on value changes."));
    QLineEdit *start = addField(Field::StartReg, QStringLiteral("txbStartReg"),
        QStringLiteral("One register as start pointer for the buffer (must not be used anywhere "
                       "else). No symbol accepted!"),
        &F::startReg);
    QLineEdit *enable = addField(Field::RecordEnable, QStringLiteral("txbRecordEnable"),
        QStringLiteral("A flag to enable/disable all recording."), &F::recordEnable);
    QLineEdit *command = addField(Field::RecordCommand, QStringLiteral("txbRecordCommand"),
        QStringLiteral("A flag to force one value record (self reset by the PCD)."),
        &F::recordCommand);
    QLineEdit *clear = addField(Field::ClearCommand, QStringLiteral("txbClearBuf"),
        QStringLiteral("A flag to clear the trace buffer (self reset by the PCD)."),
        &F::clearCommand);
    QLineEdit *serial = addField(Field::SerialNumber, QStringLiteral("txbSerialNr"),
        QStringLiteral("One register to pass a serial numer used in file names."),
        &F::serialNumber);
    QLineEdit *viewer = addField(Field::ViewerCommand, QStringLiteral("txbCloseTlv"),
        QStringLiteral("One register to pass command to Tolvane."), &F::viewerCommand);

    place(0, 0, label(QStringLiteral("Buffer Name:"), name), name);
    place(1, 0, label(QStringLiteral("Record Interval [s]:"), interval), interval);
    place(2, 0, label(QStringLiteral("Memory:"), m_memory), m_memory);
    place(3, 0, label(QStringLiteral("Number of Records :"), records), records);
    place(4, 0, label(QStringLiteral("Record Length :"), length), length);
    form->addWidget(m_recordChange, 5, 1);
    place(0, 1, label(QStringLiteral("Start Register:"), start), start);
    place(1, 1, label(QStringLiteral("Record Enable:"), enable), enable);
    place(2, 1, label(QStringLiteral("Record Command:"), command), command);
    place(3, 1, label(QStringLiteral("Clear Command:"), clear), clear);
    place(4, 1, label(QStringLiteral("Serial Number:"), serial), serial);
    place(5, 1, label(QStringLiteral("Tolvane Command:"), viewer), viewer);
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 1);
    form->setColumnMinimumWidth(2, 24);
    layout->addWidget(box);

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
    layout->addWidget(m_gridBar);

    m_grid = new BufferGrid(this);
    m_grid->setToolTip(QStringLiteral("Select a row label to add, insert, remove, copy, cut or "
                                      "paste columns; Enter or a double click edits a cell. Drop "
                                      "a symbol on a row to use it as the PCD variable."));
    m_grid->setMinimumHeight(fontMetrics().height() * 8);
    layout->addWidget(m_grid, 1);

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
    connect(
        m_memory, &QComboBox::activated, this, [this](int index) { m_editor.memoryChosen(index); });
    connect(m_recordChange, &QCheckBox::clicked, this,
        [this](bool on) { m_editor.recordChangeToggled(on); });
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

    buildHeadings();
    for (auto it = m_tools.cbegin(); it != m_tools.cend(); ++it)
        it.value()->setEnabled(m_editor.toolEnabled(it.key()));
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
