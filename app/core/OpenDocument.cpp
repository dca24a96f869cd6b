#include "app/core/OpenDocument.h"

namespace tlv::app {

OpenDocument::OpenDocument(Launcher launcher, QString programName)
    : m_launcher(std::move(launcher))
    , m_programName(std::move(programName))
{ }

bool OpenDocument::open(const QString &file, qint32 showMode, const QString &parameters,
    const QString &folder, const QString &verb)
{
    m_error = {};
    int result = 0;
    if (m_launcher) {
        result = !parameters.isEmpty() || !folder.isEmpty()
            ? m_launcher(file, parameters, folder, verb, showMode)
            : m_launcher(file, QString(), QString(), verb, 1);
    }
    if (result > SuccessAbove)
        return true;
    m_error = errorFor(result, m_programName);
    return false;
}

OpenDocument::Error OpenDocument::errorFor(int shellResult, const QString &programName)
{
    Error e;
    e.source = programName + QStringLiteral(".GShell");
    e.number = ErrorBase + shellResult;
    switch (shellResult) {
    case 0:
    case 8:
        e.number = 7;
        e.message = QStringLiteral("Out of memory");
        break;
    case 2:
        e.number = 53;
        e.message = QStringLiteral("File not found");
        break;
    case 3:
        e.number = 76;
        e.message = QStringLiteral("Path not found");
        break;
    case 5:
        e.number = 75;
        e.message = QStringLiteral("Path/file access error");
        break;
    case 11:
        e.message = QStringLiteral("The executable file is invalid or corrupt");
        break;
    case 26:
        e.number = 75;
        e.message = QStringLiteral("A sharing violation occurred.");
        break;
    case 27:
        e.message = QStringLiteral("This file type does not have a valid file association.");
        break;
    case 28:
        e.number = 286;
        e.message = QStringLiteral(
            "The file could not be opened due to time out. Please try again in a moment.");
        break;
    case 29:
        e.number = 285;
        e.message = QStringLiteral("The file could not be opened because the DDE transaction "
                                   "failed. Please try again in a moment.");
        break;
    case 30:
        e.number = 285;
        e.message = QStringLiteral("The file could not be opened because the target application "
                                   "is busy. Please try again in a moment.");
        break;
    case 31:
        e.message = QStringLiteral("No application is associated with this file type.");
        break;
    case 32:
        e.number = 48;
        e.message = QStringLiteral("The specified dynamic-link library was not found.");
        break;
    default:
        e.message = QStringLiteral(
            "An error occurred occurred whilst trying to open or print the selected file.");
        break;
    }
    return e;
}

} // namespace tlv::app
