#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::app {

// How the main window looks for a buffer type and the lock flags: the type
// label on the settings tab, which tabs are usable and whether the standard
// buffer's handshake start register is shown.
struct BufferTypeSetup
{
    qint16 bufferType = 0; // after simulation forced it to 1
    QString typeLabel;
    bool configTabEnabled = false;
    bool settingsTabEnabled = true;
    bool startRegVisible = false;
    QString startRegText; // the "StartReg" setting of a standard buffer
    bool refreshGrid = false;

    [[nodiscard]] static BufferTypeSetup forType(qint16 bufferType, bool simulation,
        bool configLocked, bool settingsLocked, qint16 connectionStartReg);
};

// The descriptions frmSelectBuffer shows beside its three options, from
// section "BufferType" of Tolvane.ini ("~" is a line break).
struct BufferTypeTexts
{
    QString standard;
    QString configured;
    QString publicEvents;

    [[nodiscard]] static BufferTypeTexts read(const QString &tolvaneIni);
    // The dialog's result: the option chosen (0, 1, 2) or -1 when none or cancelled.
    [[nodiscard]] static qint16 result(bool accepted, int optionChosen);
};

} // namespace tlv::app
