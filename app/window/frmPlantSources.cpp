#include "app/window/frmPlantSources.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace tlv::app {

frmPlantSources::frmPlantSources(const QString &uri, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPlantSources"));
    setWindowTitle(QStringLiteral("Open plant database"));
    auto *layout = new QGridLayout(this);
    auto *label = new QLabel(QStringLiteral("Database (libpq URI):"), this);
    m_uri = new QLineEdit(uri, this);
    m_uri->setObjectName(QStringLiteral("txtUri"));
    m_uri->setPlaceholderText(QStringLiteral("postgresql://user@host/plant"));
    m_uri->setMinimumWidth(360);
    label->setBuddy(m_uri);
    auto *listButton = new QPushButton(QStringLiteral("&List"), this);
    listButton->setObjectName(QStringLiteral("cmdList"));
    m_table = new QTableWidget(0, int(PlantSourceList::headers().size()), this);
    m_table->setObjectName(QStringLiteral("lstSources"));
    m_table->setHorizontalHeaderLabels(PlantSourceList::headers());
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("lblError"));
    m_error->setWordWrap(true);
    m_ok = new QPushButton(QStringLiteral("Open"), this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setEnabled(false);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_uri, 0, 1);
    layout->addWidget(listButton, 0, 2);
    layout->addWidget(m_table, 1, 0, 1, 3);
    layout->addWidget(m_error, 2, 0, 1, 3);
    layout->addLayout(buttons, 3, 0, 1, 3);
    resize(620, 360);

    connect(listButton, &QPushButton::clicked, this, &frmPlantSources::list);
    connect(m_uri, &QLineEdit::returnPressed, this, &frmPlantSources::list);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
        [this] { m_ok->setEnabled(!source().isEmpty()); });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmPlantSources::uri() const
{
    return m_uri->text().trimmed();
}

QString frmPlantSources::source() const
{
    const QList<QTableWidgetItem *> chosen = m_table->selectedItems();
    return chosen.isEmpty() ? QString() : m_table->item(chosen.first()->row(), 0)->text();
}

bool frmPlantSources::list()
{
    PlantSourceList sources;
    const bool ok = sources.read(uri());
    m_table->setRowCount(0);
    m_error->setText(ok ? QString() : sources.errorString());
    for (const plant::SourceSummary &s : sources.sources()) {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        const QStringList cells = PlantSourceList::cells(s);
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c == 1)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, c, item);
        }
    }
    if (m_table->rowCount() > 0)
        m_table->selectRow(0);
    return ok;
}

} // namespace tlv::app
