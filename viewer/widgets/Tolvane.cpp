#include "viewer/widgets/Tolvane.h"

#include "viewer/core/ControlCore.h"
#include "viewer/files/FileBufferLoader.h"
#include "viewer/plot/GraphData.h"
#include "viewer/widgets/DialogPrompter.h"
#include "viewer/widgets/GraphView.h"
#include "viewer/widgets/GridPalette.h"
#include "viewer/widgets/GridView.h"
#include "viewer/widgets/WidgetSeams.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tlv::viewer {

namespace {

QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// Red where the limit is reached, else the desktop's own text colour.
void setTextColour(QLabel *label, bool red)
{
    if (!red) {
        label->setPalette(QPalette());
        return;
    }
    QPalette p;
    p.setColor(QPalette::WindowText, GridPalette::warningText(label->palette()));
    label->setPalette(p);
}

} // namespace

Tolvane::Tolvane(QWidget *parent, common::Prompter *prompter)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Tolvane"));
    if (!prompter) {
        m_ownPrompter = std::make_unique<DialogPrompter>(this);
        prompter = m_ownPrompter.get();
    }
    m_prompter = prompter;
    m_core = std::make_unique<ControlCore>(prompter);
    m_seams = std::make_unique<WidgetSeams>(*m_core, this, prompter);
    m_core->setSeams(m_seams.get());
    setLibraryFolder(QCoreApplication::applicationDirPath());

    buildUi();
    connectCore();
    applyTextColours();
}

Tolvane::~Tolvane()
{
    // The views hold the core's rows; they go first. The core calls back into
    // the seams and the loader while it stops.
    delete m_pages;
    m_grid = nullptr;
    m_graph = nullptr;
    m_core->setSeams(nullptr);
    m_core->setLoader(nullptr);
}

void Tolvane::setLoader(BufferLoader *loader)
{
    m_core->setLoader(loader ? loader : m_fileLoader.get());
}

void Tolvane::setLibraryFolder(const QString &folder)
{
    auto loader
        = std::make_unique<FileBufferLoader>(common::PromptSeam::through(m_prompter), folder);
    m_core->setLoader(loader.get());
    m_fileLoader = std::move(loader);
}

void Tolvane::buildUi()
{
    m_title = makeLabel(QStringLiteral("title"), m_core->title(), this);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    m_title->setFont(titleFont);

    m_grid = new GridView(*m_core, this);
    m_graph = new GraphView(*m_core, this);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(m_grid);
    m_pages->addWidget(m_graph);

    buildBar();
    arrange();
    connectViews();
}

// The buttons, labels and counters under the grid.
void Tolvane::buildBar()
{
    m_info = new QPushButton(QStringLiteral("Info"), this);
    m_info->setObjectName(QStringLiteral("infoButton"));
    m_info->setEnabled(m_core->infoEnabled());
    m_status = makeLabel(QStringLiteral("statusLabel"), m_core->statusLabel(), this);
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setFrameShadow(QFrame::Sunken);
    m_status->setMinimumWidth(m_grid->pixels(1800));
    m_activity = makeLabel(QStringLiteral("activity"), QStringLiteral("\u25CF"), this);
    m_activity->setToolTip(QStringLiteral("Reading records"));
    QSizePolicy keep = m_activity->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_activity->setSizePolicy(keep);
    m_activity->setVisible(m_core->activityVisible());

    m_recordLabel = makeLabel(QStringLiteral("recordLabel"), QStringLiteral("Records:"), this);
    m_recordCounter = makeLabel(QStringLiteral("recordCounter"), QString(), this);
    m_rowLabel = makeLabel(QStringLiteral("rowLabel"), QStringLiteral("Rows:"), this);
    m_rowCounter = makeLabel(QStringLiteral("rowCounter"), QString(), this);
    for (QLabel *counter : { m_recordCounter, m_rowCounter }) {
        QFont bold = counter->font();
        bold.setBold(true);
        counter->setFont(bold);
        counter->setMinimumWidth(m_grid->pixels(800));
    }

    m_follow = new QCheckBox(QStringLiteral("Follow newest"), this);
    m_follow->setObjectName(QStringLiteral("followNewest"));
    m_follow->setToolTip(QStringLiteral("On: the grid and the chart move on with each new "
                                        "record. Off: they stay where you are."));
    m_follow->setChecked(m_core->followNewest());
    m_follow->setFocusPolicy(Qt::TabFocus);

    m_export = new QPushButton(QStringLiteral("Export"), this);
    m_export->setObjectName(QStringLiteral("exportButton"));
    m_graphButton = new QPushButton(m_core->graphButtonText(), this);
    m_graphButton->setObjectName(QStringLiteral("graphButton"));
    for (QPushButton *b : { m_info, m_export, m_graphButton })
        b->setFocusPolicy(Qt::TabFocus);
}

void Tolvane::arrange()
{
    // Layouts stand in for the fixed twip offsets: the frame keeps a margin of
    // 90 twips all round and the bar under the grid holds the buttons and labels.
    const int margin = m_grid->pixels(90);
    auto *bar = new QHBoxLayout;
    bar->setSpacing(m_grid->pixels(90));
    bar->addWidget(m_info);
    bar->addWidget(m_status);
    bar->addWidget(m_activity);
    bar->addStretch(1);
    bar->addWidget(m_recordLabel);
    bar->addWidget(m_recordCounter);
    bar->addSpacing(margin);
    bar->addWidget(m_rowLabel);
    bar->addWidget(m_rowCounter);
    bar->addSpacing(margin);
    bar->addWidget(m_follow);
    bar->addWidget(m_export);
    bar->addWidget(m_graphButton);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(margin, margin, margin, margin);
    root->setSpacing(margin);
    root->addWidget(m_title);
    root->addWidget(m_pages, 1);
    root->addLayout(bar);
}

// The buttons, and the grid and graph with each other.
void Tolvane::connectViews()
{
    connect(m_info, &QPushButton::clicked, this, &Tolvane::showInfo);
    connect(m_export, &QPushButton::clicked, this, &Tolvane::exportByUser);
    connect(m_graphButton, &QPushButton::clicked, this, &Tolvane::toggleGraph);
    connect(m_grid, &GridView::conversionRequested, this,
        [this](int row, int column) { m_core->openConversionWindow(row, column); });
    m_graph->setPrompter(m_prompter);
    // The grid's current row and cursor A follow each other.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex &current) {
            if (current.isValid() && current.row() != m_graph->cursorA())
                m_graph->setCursorA(current.row());
        });
    connect(m_graph, &GraphView::cursorAMoved, this, [this](int row) {
        const QModelIndex current = m_grid->currentIndex();
        m_grid->setCurrentIndex(m_grid->model()->index(
            row, current.isValid() ? current.column() : RowStore::StampColumns));
    });
    connect(m_follow, &QCheckBox::toggled, m_core.get(), &ControlCore::setFollowNewest);
}

void Tolvane::connectCore()
{
    ControlCore *c = m_core.get();
    // Direct connections: a host answering inside ReadPCDReg lets the control
    // go on in the same call chain.
    constexpr auto direct = Qt::DirectConnection;
#define TOLVANE_FORWARD_EVENT(Name, parameters)                                                    \
    connect(c, &ControlCore::Name, this, &Tolvane::Name, direct);
    TOLVANE_HOST_EVENTS(TOLVANE_FORWARD_EVENT)
#undef TOLVANE_FORWARD_EVENT

    connect(c, &ControlCore::titleChanged, m_title, &QLabel::setText);
    connect(c, &ControlCore::statusLabelChanged, m_status, &QLabel::setText);
    connect(c, &ControlCore::activityChanged, m_activity, &QLabel::setVisible);
    connect(c, &ControlCore::infoEnabledChanged, m_info, &QPushButton::setEnabled);
    connect(c, &ControlCore::graphShownChanged, this, &Tolvane::showGraph);
    connect(c, &ControlCore::graphRedrawRequested, this, [this] {
        if (m_core->graphShown())
            m_graph->fill();
    });
    connect(&c->rows(), &RowStore::graphSelectionChanged, this, [this] {
        if (m_core->graphShown())
            m_graph->setUp();
    });
    connect(c, &ControlCore::fontApplied, m_grid, &GridView::applyFont);
    connect(c, &ControlCore::followNewestChanged, m_follow, &QCheckBox::setChecked);
    connect(c, &ControlCore::refreshRequested, this, qOverload<>(&QWidget::update));
    connect(&c->rows(), &RowStore::countersChanged, this, &Tolvane::updateCounters);
}

void Tolvane::applyTextColours()
{
    QPalette green;
    green.setColor(
        QPalette::WindowText, GridPalette::windowText(QColor(0x10, 0xA0, 0x30), palette()));
    m_activity->setPalette(green);
    GridPalette::applyToIndicators(this);
    updateCounters();
}

void Tolvane::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_activity)
        applyTextColours();
}

void Tolvane::updateCounters()
{
    const RowStore &rows = m_core->rows();
    m_recordCounter->setText(QString::number(rows.recordCount()));
    setTextColour(m_recordCounter, rows.recordCounterRed());
    m_rowCounter->setText(QString::number(rows.dataRowCount()));
    setTextColour(m_rowCounter, rows.rowCounterRed());
}

void Tolvane::showGraph(bool shown)
{
    m_graphButton->setText(m_core->graphButtonText());
    m_grid->setUpdatesEnabled(!shown);
    m_pages->setCurrentWidget(shown ? static_cast<QWidget *>(m_graph) : m_grid);
    if (shown)
        m_graph->setUp();
}

void Tolvane::toggleGraph()
{
    if (m_core->graphShown()) {
        m_core->setGraphShown(false);
        return;
    }
    if (GraphData::prepareToShow(m_core->rows(), m_prompter))
        m_core->setGraphShown(true);
}

void Tolvane::exportByUser()
{
    m_core->exportByUser();
}

void Tolvane::showInfo()
{
    m_core->showInfo();
}

// --- properties --------------------------------------------------------------------

bool Tolvane::controlEnabled() const
{
    return m_core->isEnabled();
}
void Tolvane::setControlEnabled(bool enabled)
{
    m_core->setEnabled(enabled);
}
// Every other property is the core's.
#define TOLVANE_FORWARD_READWRITE(type, Name, getter, setter)                                      \
    type Tolvane::getter() const                                                                   \
    {                                                                                              \
        return m_core->getter();                                                                   \
    }                                                                                              \
    void Tolvane::setter(PropertyArgument<type> value)                                             \
    {                                                                                              \
        m_core->setter(value);                                                                     \
    }
#define TOLVANE_FORWARD_READONLY(type, Name, getter)                                               \
    type Tolvane::getter() const                                                                   \
    {                                                                                              \
        return m_core->getter();                                                                   \
    }
TOLVANE_CONTROL_PROPERTIES(TOLVANE_FORWARD_READWRITE, TOLVANE_FORWARD_READONLY)
#undef TOLVANE_FORWARD_READWRITE
#undef TOLVANE_FORWARD_READONLY

void Tolvane::setDataBlock(const QVariant &values)
{
    m_core->setDataBlock(values);
}
void Tolvane::setDataBlock(const QList<qint32> &values)
{
    m_core->setDataBlock(values);
}

// --- methods -------------------------------------------------------------------------

void Tolvane::Refresh()
{
    m_core->Refresh();
}

void Tolvane::Start()
{
    m_core->Start();
}

void Tolvane::Reset()
{
    m_core->Reset();
}

void Tolvane::Clear()
{
    m_core->Clear();
}

bool Tolvane::Crypt(const QString &FileName)
{
    return m_core->Crypt(FileName);
}

bool Tolvane::propertiesChanged() const
{
    return m_core->propertiesChanged();
}

void Tolvane::save(PropertyStore &store)
{
    m_core->save(store);
    m_core->clearPropertiesChanged();
}

void Tolvane::restore(const PropertyStore &store)
{
    m_core->restore(store);
    updateCounters();
}

// --- the control's own surface ---------------------------------------------------------

void Tolvane::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void Tolvane::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint());
    m_pressed = false;
    QWidget::mouseReleaseEvent(event);
    if (click)
        Q_EMIT Click();
}

void Tolvane::mouseDoubleClickEvent(QMouseEvent *event)
{
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT DblClick();
}

void Tolvane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Q_EMIT Resize();
}

} // namespace tlv::viewer
