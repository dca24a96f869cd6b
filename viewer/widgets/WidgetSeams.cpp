#include "viewer/widgets/WidgetSeams.h"

#include "common/Prompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/files/Exporter.h"
#include "viewer/files/LineCipher.h"
#include "viewer/widgets/ConversionFrame.h"
#include "viewer/widgets/ShutdownNotice.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>

namespace tlv::viewer {

WidgetSeams::WidgetSeams(ControlCore &core, QWidget *window, common::Prompter *prompter)
    : m_core(core)
    , m_window(window)
    , m_prompter(prompter)
    , m_source(core.rows(), core.cycle().columns())
    , m_exporter(std::make_unique<Exporter>(m_source, prompter))
    , m_shutdownDelay(ShutdownNotice::DefaultDelayMs)
{
    m_exporter->setClearRecords([this] { m_core.Clear(); });
    m_exporter->setRemoveOldestRows([this](int count) {
        m_core.rows().removeOldestRows(count);
        Q_EMIT m_core.graphRedrawRequested();
    });
    QObject::connect(m_exporter.get(), &Exporter::NewExportFile, &m_core, [this] {
        // The host sees the completed name when the event arrives.
        if (m_exporter->exportFile() != m_core.exportFile())
            m_core.setExportFile(m_exporter->exportFile());
        Q_EMIT m_core.NewExportFile();
    });
    QObject::connect(m_exporter.get(), &Exporter::busyChanged, &m_core, [this](bool busy) {
        if (m_window)
            m_window->setUpdatesEnabled(!busy);
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

WidgetSeams::~WidgetSeams()
{
    delete m_conversion.data();
}

bool WidgetSeams::exportGrid(ExportTrigger trigger)
{
    Exporter &e = *m_exporter;
    e.setExportFile(m_core.exportFile());
    e.setAutoExport(m_core.autoExport());
    e.setIndexFile(m_core.indexFile());
    e.setStampColumns(m_core.dateStampCol(), m_core.timeStampCol(), m_core.pcdStatusCol());
    e.setExportIndex(m_core.cycle().reader().exportIndex);
    const Exporter::Result result = e.Export(trigger == ExportTrigger::Pcd);
    if (e.exportFile() != m_core.exportFile())
        m_core.setExportFile(e.exportFile());
    return result == Exporter::Result::Exported;
}

void WidgetSeams::showShutdownNotice()
{
    ShutdownNotice notice(m_window, m_shutdownDelay);
    notice.showAndWait();
}

void WidgetSeams::openConversionWindow(int row, int gridColumn)
{
    const RowStore &rows = m_core.rows();
    const int number = rows.columnNumberAt(gridColumn);
    if (number < 0 || rows.isSeparator(row))
        return;
    const int index = gridColumn - RowStore::StampColumns;
    const QString raw = rows.cell(row, rows.rawColumn()).split(u';').value(index);
    const QString comment = rows.cell(row, rows.commentColumn()).split(u';').value(index);
    const auto request = ConversionText::forCell(
        m_core.cycle().columns()[number], raw, rows.cell(row, gridColumn), comment);
    if (!request)
        return;
    if (!m_conversion) {
        m_conversion = new ConversionFrame(m_window);
        if (auto *grid
            = m_window ? m_window->findChild<QWidget *>(QStringLiteral("grid")) : nullptr)
            QObject::connect(m_conversion.data(), &ConversionFrame::closed, grid, [this, grid] {
                if (m_conversion && m_conversion->takeClosedFlag())
                    grid->setFocus();
            });
    }
    m_conversion->showRequest(*request);
}

bool WidgetSeams::crypt(const QString &fileName, QString *error)
{
    if (!m_prompter) {
        QString why;
        if (!LineCipher::encipherFile(fileName, &why).isEmpty())
            return true;
        if (error)
            *error = why.isEmpty() ? LineCipher::CryptAborted : why;
        return false;
    }
    const bool ok = LineCipher::crypt(fileName, *m_prompter);
    if (!ok && error)
        *error = LineCipher::CryptAborted;
    return ok;
}

} // namespace tlv::viewer
