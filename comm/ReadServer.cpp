#include "comm/ReadServer.h"

#include "comm/ConnectionView.h"
#include "comm/HostedControl.h"
#include "comm/PCDConnect.h"
#include "common/Prompter.h"

#include <QScopeGuard>

namespace tlv::comm {

namespace {
constexpr int ProgressMinimum = 0;
} // namespace

ReadServer::ReadServer(PCDConnect &connection, HostedControl &control, ConnectionView &view,
    common::Prompter &prompter)
    : m_connection(connection)
    , m_control(control)
    , m_view(view)
    , m_prompter(prompter)
{ }

void ReadServer::ReadPCDReg(qint16 registerNumber, qint16 numberToRead)
{
    serve(Kind::Registers, 0, registerNumber, numberToRead);
}

void ReadServer::ReadPCDDB(qint16 dbNumber, qint16 dbOffset, qint16 numberToRead)
{
    serve(Kind::DataBlock, dbNumber, dbOffset, numberToRead);
}

qint32 ReadServer::readBlock(Kind kind, qint32 number, qint32 first, qint32 index, qint32 count)
{
    if (kind == Kind::Registers) {
        // Computed in 32 bits: a sum past 16383 is refused, never wrapped.
        const qint32 base = m_connection.settings().baseRegister;
        return m_connection.ReadRegisters(first + base + index, count, index, m_buffer);
    }
    return m_connection.ReadDataBlock(number, first + index, count, index, m_buffer);
}

int ReadServer::failureOutcome(Kind kind, qint32 code) const
{
    if (kind == Kind::Registers)
        return code == PCDConnect::RegisterRangeError ? 3 : 1;
    return code == 1 ? 4 : 1;
}

void ReadServer::endBlockReading()
{
    m_view.setProgressValue(ProgressMinimum);
    m_view.setAbortEnabled(false);
    m_readingInBlocks = false;
}

void ReadServer::serve(Kind kind, qint32 number, qint32 first, qint32 numberToRead)
{
    // Pending input is processed between blocks; a request that arrives then
    // would overwrite the buffer being filled, so it gets no answer.
    if (m_serving)
        return;
    m_serving = true;
    const auto done = qScopeGuard([this] { m_serving = false; });

    m_control.setPCDStatus(m_connection.ReadPcdStatus());
    if (numberToRead < 1)
        return;
    m_buffer = QList<qint32>(numberToRead, 0);
    m_abort = false;

    const qint32 blocks = numberToRead / BlockSize;
    qint32 blockCounter = 0;
    if (blocks > 1) {
        m_readingInBlocks = true;
        m_view.setAbortEnabled(true);
        m_view.setProgressRange(ProgressMinimum, blocks);
    } else {
        m_readingInBlocks = false;
    }

    qint32 index = 0;
    qint32 remaining = numberToRead;
    while (remaining > BlockSize) {
        if (m_readingInBlocks)
            m_view.setProgressValue(++blockCounter);
        const qint32 code = readBlock(kind, number, first, index, BlockSize);
        if (code != 0) {
            // Reset the block state at once so that the buttons work again.
            endBlockReading();
            ShowReadOutcome(failureOutcome(kind, code));
            return;
        }
        index += BlockSize;
        remaining -= BlockSize;
        if (m_processEvents)
            m_processEvents();
        if (m_abort) {
            AbortRead(blockCounter * BlockSize);
            return;
        }
    }
    if (remaining >= 1)
        readBlock(kind, number, first, index, remaining);
    endBlockReading();

    const qint32 code = m_connection.lastErrorCode();
    if (code == 0) {
        m_control.setDataBlock(m_buffer);
        ShowReadOutcome(0);
    } else {
        ShowReadOutcome(failureOutcome(kind, code));
    }
}

void ReadServer::abortClicked()
{
    m_abort = true;
    m_readingInBlocks = false;
    m_view.setProgressValue(ProgressMinimum);
}

void ReadServer::AbortRead(qint32 count)
{
    if (count != 0) {
        m_buffer.resize(qMin<qsizetype>(count, m_buffer.size()));
        m_control.setDataBlock(m_buffer);
    }
    m_view.setProgressValue(ProgressMinimum);
    m_view.setAbortEnabled(false);
    m_abort = false;
    m_readingInBlocks = false;
}

void ReadServer::ShowReadOutcome(int code)
{
    const QString &errorText = m_connection.settings().errorText;
    switch (code) {
    case 0:
        m_view.setStatusPanel(2, QStringLiteral("PCD communication OK."));
        break;
    case 1:
        m_view.setStatusPanel(
            2, QStringLiteral("PCD communication problems.    Error: ") + errorText);
        break;
    case 2:
        m_view.setStatusPanel(2, QStringLiteral("PCD communication stoped."));
        break;
    case 3:
        m_view.setStatusPanel(2, QStringLiteral("PCD reading aborted.    Error: ") + errorText);
        break;
    case 4:
        AbortRead(0);
        m_control.setRunMode(0);
        m_view.setStatusPanel(2,
            QStringLiteral("PCD reading aborted.   Invalid Start Register or "
                           "reading overflow !   Error: ")
                + errorText);
        m_prompter.message(QStringLiteral("PCD reading aborted.\r\rInvalid Start Register or "
                                          "reading overflow !\rError: ")
                + errorText,
            QStringLiteral("Tolvane"), common::Prompter::Style::Critical);
        break;
    default:
        break;
    }
}

void ReadServer::runPauseClicked()
{
    if (m_readingInBlocks) {
        m_runPending = true;
        return;
    }
    switch (m_control.RunMode()) {
    case 1:
        m_control.setRunMode(2);
        m_view.setRunCaption(QStringLiteral("Pause"));
        break;
    case 2:
        m_control.setRunMode(1);
        m_view.setRunCaption(QStringLiteral("Run"));
        ShowReadOutcome(2);
        break;
    default:
        break;
    }
}

void ReadServer::stopClicked()
{
    if (m_readingInBlocks) {
        m_stopPending = true;
        return;
    }
    m_control.setRunMode(0);
    ShowReadOutcome(2);
}

void ReadServer::statusChanged(qint16 readStatus)
{
    if (!m_connection.settings().connected)
        return;
    if (readStatus == 0 || readStatus == 1) {
        m_view.ButtonsStart(QStringLiteral("Start"), false, QStringLiteral("Pause"), false,
            QStringLiteral("Stop"), false, 0);
    } else if (readStatus == 2) {
        m_view.ButtonsStart(QStringLiteral("Start"), true, QStringLiteral("Pause"), false,
            QStringLiteral("Stop"), false, 1);
    } else {
        m_view.ButtonsStart(QStringLiteral("Restart"), true, QStringLiteral("Pause"), true,
            QStringLiteral("Stop"), true, 0);
    }
    if (readStatus != 3)
        return;
    if (m_runPending) {
        m_runPending = false;
        runPauseClicked();
    }
    if (m_stopPending) {
        m_stopPending = false;
        stopClicked();
    }
}

} // namespace tlv::comm
