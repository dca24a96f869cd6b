#include "app/window/RangeBar.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tlv::app {

namespace {

QDateTimeEdit *timeBox(const QString &name, QWidget *parent)
{
    auto *box = new QDateTimeEdit(parent);
    box->setObjectName(name);
    box->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    box->setCalendarPopup(true);
    box->setTimeSpec(Qt::LocalTime);
    return box;
}

} // namespace

RangeBar::RangeBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("RangeBar"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_from = timeBox(QStringLiteral("dtpFrom"), this);
    m_to = timeBox(QStringLiteral("dtpTo"), this);
    auto *from = new QLabel(QStringLiteral("&From"), this);
    from->setBuddy(m_from);
    auto *to = new QLabel(QStringLiteral("&To"), this);
    to->setBuddy(m_to);
    // A little room before each box, which otherwise covers the label's last letter.
    for (QLabel *label : { from, to })
        label->setContentsMargins(0, 0, 4, 0);
    auto *show = new QPushButton(QStringLiteral("Show"), this);
    show->setObjectName(QStringLiteral("cmdShowRange"));
    show->setToolTip(QStringLiteral("Show the rows from this time on"));
    auto *exportRange = new QPushButton(QStringLiteral("Export range..."), this);
    exportRange->setObjectName(QStringLiteral("cmdExportRange"));
    exportRange->setToolTip(QStringLiteral("Write every row of this time range to a file"));
    layout->addWidget(from);
    layout->addWidget(m_from);
    layout->addWidget(to);
    layout->addWidget(m_to);
    layout->addWidget(show);
    layout->addWidget(exportRange);
    layout->addStretch();
    for (QDateTimeEdit *box : { m_from, m_to })
        connect(box, &QDateTimeEdit::editingFinished, this, &RangeBar::edited);
    connect(show, &QPushButton::clicked, this, [this] { Q_EMIT showRequested(fromMs(), toMs()); });
    connect(exportRange, &QPushButton::clicked, this,
        [this] { Q_EMIT exportRequested(fromMs(), toMs()); });
}

void RangeBar::setRange(qint64 fromMs, qint64 toMs)
{
    m_from->setDateTime(QDateTime::fromMSecsSinceEpoch(fromMs).toLocalTime());
    m_to->setDateTime(QDateTime::fromMSecsSinceEpoch(toMs).toLocalTime());
}

qint64 RangeBar::fromMs() const
{
    return m_from->dateTime().toSecsSinceEpoch() * 1000;
}

// The box shows whole seconds: its second is taken whole.
qint64 RangeBar::toMs() const
{
    return m_to->dateTime().toSecsSinceEpoch() * 1000 + 999;
}

} // namespace tlv::app
