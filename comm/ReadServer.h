#pragma once

#include <QList>
#include <QtGlobal>

#include <functional>

namespace tlv::common {
class Prompter;
}

namespace tlv::comm {

class ConnectionView;
class HostedControl;
class PCDConnect;

// Answers the viewer control's read requests: reads the controller's status,
// then the values in blocks of 32, hands them to the control and shows the
// outcome. Long requests show progress and can be aborted; pending user input
// is processed between blocks, so Run/Pause and Stop are deferred meanwhile.
class ReadServer
{
public:
    static constexpr int BlockSize = 32;

    ReadServer(PCDConnect &connection, HostedControl &control, ConnectionView &view,
        common::Prompter &prompter);

    // Lets the user interface work between blocks (the window passes
    // QCoreApplication::processEvents).
    void setProcessEvents(std::function<void()> process) { m_processEvents = std::move(process); }

    void ReadPCDReg(qint16 registerNumber, qint16 numberToRead);
    void ReadPCDDB(qint16 dbNumber, qint16 dbOffset, qint16 numberToRead);

    // The abort button: the request notices it after its current block.
    void abortClicked();
    void AbortRead(qint32 count);
    void ShowReadOutcome(int code);

    // Run/Pause and Stop buttons; both only take note while a block read runs.
    void runPauseClicked();
    void stopClicked();
    // The control's Status event.
    void statusChanged(qint16 readStatus);

    // While true, Start, Connect and Clear are to be ignored.
    [[nodiscard]] bool readingInBlocks() const { return m_readingInBlocks; }
    [[nodiscard]] bool runPending() const { return m_runPending; }
    [[nodiscard]] bool stopPending() const { return m_stopPending; }
    [[nodiscard]] const QList<qint32> &readBuffer() const { return m_buffer; }

private:
    enum class Kind { Registers, DataBlock };
    void serve(Kind kind, qint32 number, qint32 first, qint32 numberToRead);
    qint32 readBlock(Kind kind, qint32 number, qint32 first, qint32 index, qint32 count);
    int failureOutcome(Kind kind, qint32 code) const;
    void endBlockReading();

    PCDConnect &m_connection;
    HostedControl &m_control;
    ConnectionView &m_view;
    common::Prompter &m_prompter;
    std::function<void()> m_processEvents;
    QList<qint32> m_buffer;
    bool m_abort = false;
    bool m_readingInBlocks = false;
    bool m_runPending = false;
    bool m_stopPending = false;
    bool m_serving = false;
};

} // namespace tlv::comm
