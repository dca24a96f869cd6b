#include "app/core/ExportAs.h"

#include "common/PathUtil.h"
#include "common/Prompter.h"
#include "viewer/files/ExportNaming.h"

#include <QDir>

namespace tlv::app {

QString chooseExportAsFile(
    common::Prompter &prompter, const QString &exportFile, const QString &projectFolder)
{
    common::Prompter::FileRequest request;
    request.title = QStringLiteral("Export as");
    request.filter = viewer::ExportNaming::dialogFilter();
    request.defaultExtension = QStringLiteral("xls");
    const QString folder = projectFolder.isEmpty() ? QDir::currentPath() : projectFolder;
    request.initialPath = common::toLocalPath(exportFile.isEmpty()
            ? common::withTrailingSeparator(folder) + viewer::ExportNaming::defaultFileName()
            : viewer::ExportNaming::completed(exportFile));
    const QString chosen = prompter.saveFile(request);
    if (chosen.isEmpty())
        return {};
    const QString why = viewer::ExportNaming::unwritableReason(chosen);
    if (why.isEmpty())
        return chosen;
    prompter.message(
        why, QStringLiteral("Tolvane Export File"), common::Prompter::Style::Exclamation);
    return {};
}

} // namespace tlv::app
