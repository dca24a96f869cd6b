#pragma once

#include <type_traits>

// The control's properties, listed once for ControlCore and the widget Tolvane (which forwards
// each to its core). Each is READWRITE(type, Name, getter, setter) or READONLY(type, Name,
// getter); Enabled is declared by each class itself, as QWidget has an isEnabled of its own.
#define TOLVANE_CONTROL_PROPERTIES(READWRITE, READONLY)                                            \
    READWRITE(QString, ResourcePath, resourcePath, setResourcePath)                                \
    READWRITE(QString, ProjectPath, projectPath, setProjectPath)                                   \
    READWRITE(QString, UserFile, userFile, setUserFile)                                            \
    READWRITE(QString, SymbFile, symbFile, setSymbFile)                                            \
    READWRITE(qint32, Interval, interval, setInterval)                                             \
    READWRITE(qint16, RunMode, runMode, setRunMode)                                                \
    READWRITE(bool, Simulation, simulation, setSimulation)                                         \
    READWRITE(qint16, DisplayMode, displayMode, setDisplayMode)                                    \
    READWRITE(QString, GridFontName, gridFontName, setGridFontName)                                \
    READWRITE(QString, GridFontSize, gridFontSize, setGridFontSize)                                \
    READWRITE(bool, DateStampCol, dateStampCol, setDateStampCol)                                   \
    READWRITE(bool, TimeStampCol, timeStampCol, setTimeStampCol)                                   \
    READWRITE(bool, PCDStatusCol, pcdStatusCol, setPcdStatusCol)                                   \
    READWRITE(qint32, PCDStatus, pcdStatus, setPcdStatus)                                          \
    READWRITE(qint16, StartRegister, startRegister, setStartRegister)                              \
    READWRITE(qint32, MaxRows, maxRows, setMaxRows)                                                \
    READWRITE(qint32, MaxGraph, maxGraph, setMaxGraph)                                             \
    READWRITE(QString, ExportFile, exportFile, setExportFile)                                      \
    READWRITE(bool, AutoExport, autoExport, setAutoExport)                                         \
    READWRITE(qint16, IndexFile, indexFile, setIndexFile)                                          \
    READWRITE(QString, SelColumn, selColumn, setSelColumn)                                         \
    READONLY(QString, HeaderKey, headerKey)                                                        \
    READONLY(qint16, HeaderVersion, headerVersion)                                                 \
    READONLY(qint16, BufferLen, bufferLen)                                                         \
    READONLY(qint16, RecordLen, recordLen)                                                         \
    READONLY(qint16, RecordNumber, recordNumber)                                                   \
    READONLY(qint32, RecordCount, recordCount)

// The control's events, listed once for ControlCore and the widget Tolvane: EVENT(Name,
// (parameters)). The host's events come from the core and the widget passes them on; the
// surface's come from the widget itself.
#define TOLVANE_SURFACE_EVENTS(EVENT)                                                              \
    EVENT(Click, ())                                                                               \
    EVENT(DblClick, ())                                                                            \
    EVENT(Resize, ())
#define TOLVANE_HOST_EVENTS(EVENT)                                                                 \
    EVENT(NewExportFile, ())                                                                       \
    EVENT(ReadPCDReg, (qint16 RegisterNumber, qint16 NumberToRead))                                \
    EVENT(ReadPCDDB, (qint16 DBNumber, qint16 DBOffset, qint16 NumberToRead))                      \
    EVENT(ModulError, (qint16 ErrType, const QString &ErrMessage))                                 \
    EVENT(OutputLine, (const QString &DataLine))                                                   \
    EVENT(Status, (qint16 ReadStatus))                                                             \
    EVENT(PCDCmd, (qint16 Cmd))

// An event as a signal's declaration.
#define TOLVANE_DECLARE_EVENT(Name, parameters) void Name parameters;

// The list as Q_PROPERTY lines, for moc (which expands these macros).
#define TOLVANE_Q_PROPERTY_READWRITE(type, Name, getter, setter)                                   \
    Q_PROPERTY(type Name READ getter WRITE setter)
#define TOLVANE_Q_PROPERTY_READONLY(type, Name, getter) Q_PROPERTY(type Name READ getter)

namespace tlv::viewer {

// How a setter takes a property's value: numbers by value, texts by reference.
template<typename T> using PropertyArgument = std::conditional_t<std::is_scalar_v<T>, T, const T &>;

} // namespace tlv::viewer
