#pragma once

#include "pcdsim/PcdProgram.h"
#include "pcdsim/trace/TraceProgram.h"
#include "pcdsim/trace/Waveform.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace tlv::pcdsim {

class SimulatedPcd;

// The set-up lines that give the simulated PCD its programs (beside PcdSetup's memory lines):
//
//   trace FILE.tlvs [symbols FILE.sy5] [at R n | at DB n]
//        runs the buffer of a generated source; symbols default to "_Global.sy5" beside it
//   standard FILE.tlvd start N [at R n | at DB n] [records N] [interval MS] [source N]
//        [strings V] [version V]
//        a standard buffer; record word k comes from register source + k
//   events FILE.tlvd start N project DIR [same options]
//        the public events buffer; writes DIR/Sym_System.sy5 pointing at register N
//   wave VAR ramp|sine|square LOW HIGH PERIOD_MS     wave VAR walk LOW HIGH STEP_MS [STEP]
//   at MS restart | burst N | command V | silent MS  [KEY]
//        once, MS after the start, on every buffer (or the one with header key KEY)
//
// Relative file names count from the folder of the set-up file (or the current folder).
class TraceSetup : public PcdProgram
{
public:
    using Silence = std::function<void(int ms)>;

    [[nodiscard]] static bool handles(const QString &line);
    bool applyLine(const QString &line, SimulatedPcd &pcd, const QString &folder, QString *error);
    // Splits lines between this and PcdSetup (returned); false at the first bad line.
    bool applyLines(const QStringList &lines, SimulatedPcd &pcd, const QString &folder,
        QStringList *memoryLines, QString *error, const QString &origin = {});

    // Adds this (timeline and waves) to the PCD once the lines are applied.
    void install(SimulatedPcd &pcd, const std::shared_ptr<TraceSetup> &self);

    void setSilence(Silence silence) { m_silence = std::move(silence); }
    void setRecordLog(const TraceProgram::RecordLog &log);
    void setEventLog(const TraceProgram::EventLog &log);

    [[nodiscard]] const QList<std::shared_ptr<TraceProgram>> &programs() const
    {
        return m_programs;
    }
    [[nodiscard]] Waveforms &waves() { return *m_waves; }

    void cycle(SimulatedPcd &pcd, qint64 elapsedMs) override;

private:
    struct Action
    {
        qint64 atMs = 0;
        QString what;
        qint32 value = 0;
        QString key;
        bool done = false;
    };
    bool addStandard(const QStringList &words, bool events, SimulatedPcd &pcd,
        const QString &folder, QString *error);

    QList<std::shared_ptr<TraceProgram>> m_programs;
    std::shared_ptr<Waveforms> m_waves = std::make_shared<Waveforms>();
    QList<Action> m_actions;
    Silence m_silence;
    qint64 m_time = 0;
};

} // namespace tlv::pcdsim
