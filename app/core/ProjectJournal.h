#pragma once

#include "journal/JournalWriter.h"

#include <QObject>
#include <QString>

namespace tlv::common {
class Prompter;
}
namespace tlv::viewer {
class ControlCore;
}

namespace tlv::app {

// The journal the window keeps beside its project when the settings ask for it: started
// and ended with the setting, and after a crash the offer to export what was never
// exported. A journal it cannot use is told in the status bar; the recording goes on.
class ProjectJournal : public QObject
{
    Q_OBJECT
public:
    ProjectJournal(
        common::Prompter &prompter, viewer::ControlCore &control, QObject *parent = nullptr);

    // "C:\Proj\demo.tlvr" -> "C:\Proj\demo.journal.db".
    [[nodiscard]] static QString pathFor(const QString &projectPath);

    // At start-up: the crash question for the project's journal, then the journal itself
    // when on.
    void startUp(const QString &projectPath, bool on);
    // The setting changed (or the project): starts or ends the journal.
    void apply(const QString &projectPath, bool on);
    // Says how many rows a journal left by a crash never exported and offers to export
    // them; the rows exported (0 when none, declined or failed).
    qint64 offerRecovery(const QString &journalPath);

    // A recording is shown read-only in the grid: its rows are not journaled again, until
    // the next Start.
    void setViewing(bool on);
    [[nodiscard]] bool viewing() const { return m_viewing; }
    // The simulation's rows are no recording: not journaled while it is on.
    void setSimulation(bool on);

    [[nodiscard]] journal::JournalWriter &writer() { return m_writer; }

Q_SIGNALS:
    // A short outcome for the status bar.
    void message(const QString &text);

private:
    common::Prompter &m_prompter;
    viewer::ControlCore &m_control;
    journal::JournalWriter m_writer;
    bool m_attached = false;
    bool m_viewing = false;
    bool m_simulation = false;
};

} // namespace tlv::app
