#pragma once

// A trace project compiled into a temporary folder, a simulated PCD running its buffer on an
// ephemeral 127.0.0.1 port, and a headless recorder reading it. The test drives the PCD's
// clock and the read ticks itself, so every run is repeatable and quick.

#include "tests/TestSupport.h"

#include "app/record/HeadlessRecorder.h"
#include "buffer/LayoutValidation.h"
#include "buffer/SourceGenerator.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "pcdsim/PcdProgram.h"
#include "pcdsim/SbusServer.h"
#include "pcdsim/SimulatedPcd.h"
#include "pcdsim/trace/TraceSetup.h"
#include "tests/support/ScriptedPrompter.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace tlv::test {

// Counts up one register every cycle: each record carries a number of its own.
class Sequence : public pcdsim::PcdProgram
{
public:
    explicit Sequence(int reg)
        : m_register(reg)
    { }
    void cycle(pcdsim::SimulatedPcd &pcd, qint64) override
    {
        pcd.setRegister(m_register, pcd.registerValue(m_register) + 1);
    }

private:
    int m_register;
};

struct RecordRig
{
    struct Written
    {
        qint64 counter;
        QList<qint32> words;
    };

    RecordRig()
        : server(&pcd)
        , setup(std::make_shared<pcdsim::TraceSetup>())
    {
        ensureApplication();
        prompter.setDefaultAnswer(common::Prompter::Answer::No);
    }

    [[nodiscard]] QString path(const QString &name) const { return dir.filePath(name); }

    void writeFile(const QString &name, const QByteArray &text)
    {
        ASSERT_TRUE(writeBytes(path(name), text));
    }

    // The project file; userBuffer holds the [USER_BUFFER] keys after [CONNECTION].
    void writeProject(int bufferType, const QByteArray &connection, const QByteArray &userBuffer)
    {
        writeFile(QStringLiteral("plant.tlvr"),
            "[Tolvane]\r\nVersion=2\r\nUserBuffer=" + QByteArray::number(bufferType)
                + "\r\n[CONNECTION]\r\nDLL=1\r\nReadInterval=60000\r\nMaxRows=500\r\n"
                  "ExportFile=out.xls\r\n"
                + connection + "[USER_BUFFER]\r\n" + userBuffer);
    }

    // Validates and generates the PCD source as "compile" does.
    void compile()
    {
        buffer::UserColumns columns;
        buffer::TraceProject project(columns);
        project.setPath(path(QStringLiteral("plant.tlvr")));
        ASSERT_TRUE(project.readProject()) << project.errorString().toStdString();
        const auto result
            = buffer::LayoutValidation::validate(columns, buffer::cFormats::standard());
        ASSERT_TRUE(result.ok);
        buffer::SourceGenerator generator;
        ASSERT_TRUE(generator.write(columns, project.sourcePath()));
    }

    // Runs the set-up lines on the PCD and serves it over UDP.
    void runPcd(const QStringList &lines)
    {
        QStringList memory;
        QString error;
        ASSERT_TRUE(setup->applyLines(lines, pcd, dir.path(), &memory, &error))
            << error.toStdString();
        ASSERT_TRUE(memory.isEmpty());
        setup->setRecordLog([this](qint64 counter, int, const QList<qint32> &words) {
            written.append({ counter, words });
        });
        setup->setEventLog([this](const QString &event) { events.append(event); });
        setup->install(pcd, setup);
        ASSERT_TRUE(server.listenUdp(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
    }

    [[nodiscard]] comm::SbusSettings udp() const
    {
        comm::SbusSettings s;
        s.channel = comm::SbusSettings::Channel::Udp;
        s.host = QStringLiteral("127.0.0.1");
        s.port = server.udpPort();
        s.timeoutMs = 150;
        s.retries = 0;
        return s;
    }

    // Opens the project with the recorder, no stamp columns, and starts reading.
    void record(std::optional<comm::SbusSettings> connection = {}, bool statusColumn = false)
    {
        recorder = std::make_unique<app::HeadlessRecorder>(prompter);
        QObject::connect(recorder.get(), &app::HeadlessRecorder::outputLine,
            [this](const QString &line) { lines.append(line); });
        QObject::connect(recorder.get(), &app::HeadlessRecorder::message,
            [this](const QString &text) { messages.append(text); });
        QObject::connect(&recorder->host(), &host::PcdHost::exported,
            [this](const QString &file) { exports.append(file); });
        QObject::connect(recorder.get(), &app::HeadlessRecorder::finished,
            [this](bool fatal) { finished.append(fatal); });
        app::HeadlessRecorder::Options options;
        options.project = path(QStringLiteral("plant.tlvr"));
        options.connect = connection ? connection : std::optional(udp());
        options.dateColumn = options.timeColumn = false;
        options.statusColumn = statusColumn;
        options.resources = resources;
        QString error;
        ASSERT_TRUE(recorder->open(options, &error)) << error.toStdString();
        recorder->host().setConnectRetryInterval(50);
        ASSERT_TRUE(recorder->start()) << messages.join(u'|').toStdString();
    }

    // Advances the PCD by cycles of ms each, then lets the control read once.
    void step(int cycles = 1, qint64 ms = 100)
    {
        for (int i = 0; i < cycles; ++i)
            pcd.runCycle(ms);
        recorder->control().cycle().tick();
        QCoreApplication::processEvents();
    }

    // The data lines expected for records [from, to) of the PCD's log, one text per word.
    [[nodiscard]] QStringList rowsOf(
        int from, int to, const std::function<QString(const QList<qint32> &)> &text) const
    {
        QStringList out;
        for (int i = from; i < to && i < written.size(); ++i)
            out << text(written[i].words);
        return out;
    }

    [[nodiscard]] QStringList dataLines() const
    {
        QStringList out;
        for (const QString &line : lines) {
            if (!line.contains(QLatin1String("----------------")))
                out << line;
        }
        return out;
    }

    QTemporaryDir dir;
    common::ScriptedPrompter prompter;
    pcdsim::SimulatedPcd pcd;
    pcdsim::SbusServer server;
    std::shared_ptr<pcdsim::TraceSetup> setup;
    std::unique_ptr<app::HeadlessRecorder> recorder;
    QStringList resources;
    QList<Written> written;
    QStringList events;
    QStringList lines;
    QStringList messages;
    QStringList exports;
    QList<bool> finished;
};

} // namespace tlv::test
