#include "app/core/ProjectJournal.h"

#include "common/Prompter.h"
#include "journal/JournalReader.h"
#include "journal/JournalSource.h"
#include "viewer/core/ControlCore.h"
#include "viewer/core/ReadingCycle.h"
#include "viewer/files/Exporter.h"

#include <QFileInfo>

namespace tlv::app {

namespace {
const QString Title = QStringLiteral("Tolvane");
using Style = common::Prompter::Style;
} // namespace

ProjectJournal::ProjectJournal(
    common::Prompter &prompter, viewer::ControlCore &control, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_control(control)
{
    connect(&m_writer, &journal::JournalWriter::problem, this, &ProjectJournal::message);
    connect(&m_writer, &journal::JournalWriter::recovered, this, &ProjectJournal::message);
    // A Start ends the view: the grid is the live recording's again.
    connect(&m_control, &viewer::ControlCore::Status, this, [this](qint16 state) {
        if (state == viewer::ReadingCycle::WaitStartRegister && m_viewing) {
            m_viewing = false;
            m_writer.setPaused(m_simulation);
        }
    });
}

QString ProjectJournal::pathFor(const QString &projectPath)
{
    const QFileInfo info(projectPath);
    return info.absolutePath() + u'/' + info.completeBaseName() + QStringLiteral(".journal.db");
}

void ProjectJournal::startUp(const QString &projectPath, bool on)
{
    const QString path = pathFor(projectPath);
    if (QFileInfo::exists(path))
        offerRecovery(path);
    apply(projectPath, on);
}

void ProjectJournal::apply(const QString &projectPath, bool on)
{
    const QString path = pathFor(projectPath);
    if (!on || path != m_writer.path())
        m_writer.close();
    if (!on || projectPath.isEmpty() || m_writer.isOpen())
        return;
    if (!m_writer.open(path)) {
        Q_EMIT message(m_writer.errorString());
        return;
    }
    // The writer follows the grid for as long as it lives; closing only stops the writing.
    if (!m_attached)
        m_writer.attach(m_control);
    m_attached = true;
    Q_EMIT message(QStringLiteral("Journal : ") + path);
}

void ProjectJournal::setSimulation(bool on)
{
    m_simulation = on;
    m_writer.setPaused(on || m_viewing);
}

bool ProjectJournal::view(const QString &journalPath)
{
    journal::JournalReader reader;
    journal::JournalInfo info;
    QList<journal::JournalRow> rows;
    journal::JournalBuffer buffer;
    const qint64 room = std::max<qint64>(m_control.maxRows(), 1);
    if (!reader.open(journalPath) || !reader.info(&info)
        || !reader.rows(std::max(info.firstId, info.lastId - room + 1), info.lastId, &rows)
        || (!rows.isEmpty() && !reader.buffer(rows.last().bufferId, &buffer))) {
        m_prompter.message(reader.errorString(), Title, Style::Exclamation);
        return false;
    }
    if (rows.isEmpty()) {
        m_prompter.message(
            QStringLiteral("The journal ") + journalPath + QStringLiteral(" holds no rows."), Title,
            Style::Information);
        return false;
    }
    // Rows of an older buffer have other columns.
    qsizetype first = rows.size();
    while (first > 0 && rows[first - 1].bufferId == buffer.id)
        --first;
    rows.remove(0, first);

    m_control.setRunMode(0);
    m_viewing = true;
    m_writer.setPaused(true);
    viewer::RowStore &grid = m_control.rows();
    QList<viewer::RowStore::DataColumn> columns;
    for (const journal::JournalColumn &c : buffer.columns)
        columns.append({ c.number, c.title, c.width });
    // The export, graph and conversion window find the columns' types and formats there.
    m_control.cycle().showColumns(journal::JournalSource::columnTable(buffer));
    grid.setColumns(columns);
    grid.clear();
    const QString status = grid.statusText();
    for (const journal::JournalRow &r : rows) {
        switch (r.kind) {
        case journal::RowKind::Miss:
        case journal::RowKind::Restart:
            grid.addSeparator(r.status, journal::shownDate(r), journal::shownTime(r), r.pcMillis);
            break;
        case journal::RowKind::Status:
            grid.setStatusText(r.status);
            grid.addStatusRow(journal::shownDate(r), journal::shownTime(r), r.pcMillis);
            break;
        case journal::RowKind::Record:
            grid.setStatusText(r.status);
            grid.addRecord(journal::JournalSource::decodedRecord(r));
            break;
        }
    }
    grid.setStatusText(status);
    Q_EMIT m_control.graphRedrawRequested();
    Q_EMIT message(QStringLiteral("Journal ") + journalPath + QStringLiteral(" (read-only): rows ")
        + QString::number(rows.first().id) + QStringLiteral(" to ")
        + QString::number(rows.last().id) + QStringLiteral(" of ") + QString::number(info.rows)
        + QStringLiteral(", ") + buffer.title);
    return true;
}

qint64 ProjectJournal::offerRecovery(const QString &journalPath)
{
    journal::JournalReader reader;
    journal::JournalInfo info;
    if (!reader.open(journalPath) || !reader.info(&info)) {
        Q_EMIT message(reader.errorString());
        return 0;
    }
    if (info.closedClean || info.notExported == 0)
        return 0;
    const QString question = QStringLiteral("The last recording of this project did not end in "
                                            "order.\rThe journal ")
        + journalPath + QStringLiteral(" holds ") + QString::number(info.notExported)
        + QStringLiteral(" rows that were never exported.\rExport them now?");
    if (m_prompter.message(question, Title, Style::Question, common::Prompter::Buttons::YesNo)
        != common::Prompter::Answer::Yes)
        return 0;

    QList<journal::JournalRow> rows;
    journal::JournalBuffer buffer;
    if (!reader.rowsNotExported(&rows) || rows.isEmpty()
        || !reader.buffer(rows.first().bufferId, &buffer)) {
        m_prompter.message(reader.errorString(), Title, Style::Exclamation);
        return 0;
    }
    const QFileInfo project(journalPath);
    const QString name = project.completeBaseName().replace(
        QStringLiteral(".journal"), QStringLiteral("_recovered.xlsx"));
    const QString target = m_prompter.saveFile({ QStringLiteral("Export the journal rows"),
        QStringLiteral("Excel Files (*.xlsx)|*.xlsx|Excel Files (*.xls)|*.xls|CSV Files "
                       "(*.csv)|*.csv"),
        QStringLiteral("xlsx"), project.absolutePath() + u'/' + name, false });
    if (target.isEmpty())
        return 0;

    journal::JournalSource source(buffer, rows);
    viewer::Exporter exporter(source, &m_prompter);
    exporter.setExportFile(target);
    exporter.setStampColumns(true, true, true);
    if (exporter.Export() != viewer::Exporter::Result::Exported) {
        m_prompter.message(QStringLiteral("Export aborted : ") + exporter.lastError(),
            QStringLiteral("Tolvane exportation"), Style::Exclamation);
        return 0;
    }
    const QList<journal::JournalRow> written = rows.mid(0, exporter.lastRowCount());
    if (!reader.markExported(written))
        Q_EMIT message(reader.errorString());
    Q_EMIT message(QString::number(written.size()) + QStringLiteral(" journal rows exported to : ")
        + exporter.lastTarget());
    return written.size();
}

} // namespace tlv::app
