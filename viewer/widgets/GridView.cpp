#include "viewer/widgets/GridView.h"

#include "viewer/core/ControlCore.h"
#include "viewer/widgets/GridCopy.h"
#include "viewer/widgets/GridPalette.h"
#include "viewer/widgets/GridPresentation.h"
#include "viewer/widgets/Twips.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace tlv::viewer {

namespace {

constexpr int MaxColumnPixels = 4000;

} // namespace

GridView::GridView(ControlCore &core, QWidget *parent)
    : QTableView(parent)
    , m_core(core)
    , m_presentation(new GridPresentation(core.rows(), core.cycle().columns(), this))
{
    setObjectName(QStringLiteral("grid"));
    setModel(m_presentation);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectItems);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(ScrollPerPixel);

    QHeaderView *top = horizontalHeader();
    top->setHighlightSections(false);
    top->setSectionsMovable(false);
    top->setMinimumSectionSize(1);
    top->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QHeaderView *side = verticalHeader();
    side->setSectionResizeMode(QHeaderView::Fixed);
    side->setHighlightSections(false);
    side->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(top, &QHeaderView::sectionDoubleClicked, this, [this](int section) {
        if ((section > 0 && section < RowStore::StampColumns) || isDataColumn(section))
            m_core.toggleGraphColumn(section);
    });
    connect(this, &QTableView::doubleClicked, this, &GridView::requestConversion);
    connect(&core.rows(), &RowStore::columnWidthsChanged, this, &GridView::applyColumnWidths);
    connect(&core.rows(), &QAbstractItemModel::modelReset, this, &GridView::applyColumnWidths);
    connect(&core.rows(), &RowStore::rowAppended, this, &GridView::onRowAppended);
    // Rows that go from the top or come at the bottom leave a user who
    // scrolled up where they are; only one at the newest row moves on.
    const auto noteFollowing = [this] { m_following = m_core.followNewest() && atBottom(); };
    connect(&core.rows(), &QAbstractItemModel::rowsAboutToBeInserted, this, noteFollowing);
    connect(&core.rows(), &QAbstractItemModel::rowsAboutToBeRemoved, this, noteFollowing);
    connect(&core.rows(), &QAbstractItemModel::rowsRemoved, this,
        [this](const QModelIndex &, int first, int last) {
            if (first == 0 && !m_following)
                verticalScrollBar()->setValue(verticalScrollBar()->value() - (last + 1));
        });
    connect(&core, &ControlCore::followNewestChanged, this, [this](bool on) {
        if (on)
            scrollToBottom();
    });
    connect(top, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (!m_applyingWidths && size > 0)
            m_userWidths.insert(widthKey(section), size);
    });

    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        const QScrollBar *bar = verticalScrollBar();
        if (action == QAbstractSlider::SliderNoAction || bar->maximum() <= bar->minimum())
            return;
        if (bar->sliderPosition() <= bar->minimum())
            reachEdge(-1);
        else if (bar->sliderPosition() >= bar->maximum())
            reachEdge(1);
    });

    updateHighlight();
    applyFont(core.appliedFontName(), core.appliedFontSize());
}

int GridView::pixels(qint64 twips) const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    const qreal dpi = s ? s->logicalDotsPerInchX() : 96.0;
    return std::min(twipsToPixels(twips, dpi), MaxColumnPixels);
}

bool GridView::isDataColumn(int gridColumn) const
{
    return gridColumn >= RowStore::StampColumns && gridColumn < m_core.rows().rawColumn();
}

int GridView::widthKey(int gridColumn) const
{
    const int number = m_core.rows().columnNumberAt(gridColumn);
    return number >= 0 ? 1000 + number : gridColumn;
}

bool GridView::atBottom() const
{
    const QScrollBar *bar = verticalScrollBar();
    return bar->value() >= bar->maximum();
}

void GridView::applyColumnWidths()
{
    const RowStore &rows = m_core.rows();
    const int count = rows.columnCount();
    const QFontMetrics header(horizontalHeader()->font());
    m_applyingWidths = true;
    for (int c = 0; c < count; ++c) {
        // The record number lives in the fixed row header instead.
        int width = c == 0 ? 0 : pixels(rows.columnWidth(c));
        setColumnHidden(c, width <= 0);
        if (width <= 0)
            continue;
        const auto user = m_userWidths.constFind(widthKey(c));
        if (user != m_userWidths.constEnd()) {
            width = *user;
        } else if (isDataColumn(c)) {
            // A title wider than its column widens it, so it is never cut.
            const QString title = rows.headerData(c, Qt::Horizontal).toString();
            width = std::max(width, header.horizontalAdvance(title) + 16);
        }
        setColumnWidth(c, std::min(width, MaxColumnPixels));
    }
    m_applyingWidths = false;
    verticalHeader()->setMinimumWidth(pixels(RowStore::NumberWidth));
}

QFont GridView::gridFont(const QString &name, const QString &size)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QString family = name.trimmed();
    if (!family.isEmpty() && QFontDatabase::hasFamily(family)) {
        font.setFamily(family);
    }
    // else the system's monospace face, so columns still line up.
    bool ok = false;
    const double points = size.trimmed().toDouble(&ok);
    font.setPointSizeF(ok && points >= 4 && points <= 72 ? points : 10.0);
    return font;
}

void GridView::applyFont(const QString &name, const QString &size)
{
    const QFont font = gridFont(name, size);
    setFont(font);
    verticalHeader()->setFont(font);
    horizontalHeader()->setFont(font);
    const int rowHeight = QFontMetrics(font).height() + 6;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    applyColumnWidths();
}

QString GridView::selectionText() const
{
    if (!selectionModel())
        return {};
    return GridCopy::text(*model(), selectionModel()->selectedIndexes(),
        [this](int column) { return !isColumnHidden(column); });
}

void GridView::copySelection()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const QString text = selectionText();
    if (!text.isEmpty())
        clipboard->setText(text);
}

void GridView::requestConversion(const QModelIndex &index)
{
    if (index.isValid() && isDataColumn(index.column()))
        Q_EMIT conversionRequested(index.row(), index.column());
}

void GridView::reachEdge(int direction)
{
    if (std::exchange(m_edgePending, true))
        return;
    // Told once the scroll or key at hand has moved the view: that is where the user is.
    QMetaObject::invokeMethod(
        this,
        [this, direction] {
            m_edgePending = false;
            m_edgeTop = verticalScrollBar()->value();
            m_edgeRow = currentIndex().row();
            m_edgeColumn = currentIndex().column();
            Q_EMIT pastEdge(direction);
        },
        Qt::QueuedConnection);
}

void GridView::keepInSight(int shift)
{
    // The scroll bar takes the new rows' range first.
    executeDelayedItemsLayout();
    updateGeometries();
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(std::clamp<qint64>(qint64(m_edgeTop) + shift, bar->minimum(), bar->maximum()));
    if (m_edgeRow >= 0 && model()->rowCount() > 0) {
        const int row
            = int(std::clamp<qint64>(qint64(m_edgeRow) + shift, 0, model()->rowCount() - 1));
        const int column = std::max(m_edgeColumn, 0);
        selectionModel()->setCurrentIndex(
            model()->index(row, column), QItemSelectionModel::NoUpdate);
    }
}

void GridView::resizeEvent(QResizeEvent *event)
{
    // A grid made smaller keeps the newest row in sight while it follows.
    const bool newest = m_core.followNewest() && atBottom();
    QTableView::resizeEvent(event);
    if (newest)
        scrollToBottom();
}

void GridView::wheelEvent(QWheelEvent *event)
{
    const int dy = event->angleDelta().y();
    if (dy > 0 && verticalScrollBar()->value() <= verticalScrollBar()->minimum())
        reachEdge(-1);
    else if (dy < 0 && atBottom())
        reachEdge(1);
    QTableView::wheelEvent(event);
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    // Up from the first row, down from the last, or a page or Ctrl+Home/End at the edge.
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    const int row = currentIndex().row();
    const int last = model()->rowCount() - 1;
    const bool atTop = verticalScrollBar()->value() <= verticalScrollBar()->minimum();
    switch (event->key()) {
    case Qt::Key_Up:
        if (row <= 0)
            reachEdge(-1);
        break;
    case Qt::Key_PageUp:
        if (atTop && row <= 0)
            reachEdge(-1);
        break;
    case Qt::Key_Home:
        if (ctrl && atTop)
            reachEdge(-1);
        break;
    case Qt::Key_Down:
        if (row >= last)
            reachEdge(1);
        break;
    case Qt::Key_PageDown:
        if (atBottom() && row >= last)
            reachEdge(1);
        break;
    case Qt::Key_End:
        if (ctrl && atBottom())
            reachEdge(1);
        break;
    default:
        break;
    }
    const bool ctrlC = event->key() == Qt::Key_C && (event->modifiers() & Qt::ControlModifier) != 0;
    if (event->matches(QKeySequence::Copy) || ctrlC) {
        copySelection();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        requestConversion(currentIndex());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void GridView::onRowAppended()
{
    // The newest row stays in sight while the user is there; a hidden grid
    // (the graph is shown) scrolls once it shows again.
    if (m_following && isVisible())
        scrollToBottom();
    else if (m_following)
        m_scrollWhenShown = true;
}

void GridView::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    if (std::exchange(m_scrollWhenShown, false))
        scrollToBottom();
}

void GridView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void GridView::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void GridView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        updateHighlight();
}

void GridView::updateHighlight()
{
    // Without the focus the selection is drawn as plain cells.
    QPalette p = GridPalette::readableRows(palette());
    const QPalette::ColorGroup active = QPalette::Active;
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(active, QPalette::Base));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(active, QPalette::Text));
    if (p != palette()) {
        blockSignals(true);
        setPalette(p);
        blockSignals(false);
    }
    m_presentation->setHighlight(
        p.color(active, QPalette::Highlight), p.color(active, QPalette::HighlightedText));
}

} // namespace tlv::viewer
