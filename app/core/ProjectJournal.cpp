#include "app/core/ProjectJournal.h"

#include "common/PromptMessage.h"
#include "journal/JournalReader.h"
#include "journal/JournalSource.h"
#include "viewer/core/ControlCore.h"
#include "viewer/core/ReadingCycle.h"
#include "viewer/files/ExportNaming.h"
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

void ProjectJournal::setViewing(bool on)
{
    m_viewing = on;
    m_writer.setPaused(on || m_simulation);
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
    if (const QString why = viewer::ExportNaming::unwritableReason(target); !why.isEmpty()) {
        m_prompter.message(why, QStringLiteral("Tolvane exportation"), Style::Exclamation);
        return 0;
    }

    journal::JournalSource source(buffer, rows);
    viewer::Exporter exporter(source);
    exporter.setExportFile(target);
    exporter.setStampColumns(true, true, true);
    const viewer::Exporter::Result result = exporter.Export();
    common::tell(m_prompter, exporter.takeMessages());
    if (result != viewer::Exporter::Result::Exported) {
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
