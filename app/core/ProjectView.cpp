#include "app/core/ProjectView.h"

#include <QFileInfo>

namespace tlv::app {

namespace {

const QString JournalSuffix = QStringLiteral(".journal.db");

} // namespace

QString ProjectView::projectOfJournal(const QString &journalPath)
{
    const QFileInfo info(journalPath);
    const QString name = info.fileName();
    if (!name.endsWith(JournalSuffix, Qt::CaseInsensitive) || name.size() == JournalSuffix.size())
        return {};
    const QString project
        = info.absolutePath() + u'/' + name.chopped(JournalSuffix.size()) + QStringLiteral(".tlvr");
    return QFileInfo(project).isFile() ? project : QString();
}

std::optional<viewer::GraphViewState> ProjectView::load(const QString &projectPath)
{
    if (projectPath.isEmpty() || !QFileInfo(projectPath).isFile())
        return std::nullopt;
    return viewer::GraphViewState::read(projectPath);
}

bool ProjectView::save(const QString &projectPath, const viewer::GraphViewState &state)
{
    if (projectPath.isEmpty() || !QFileInfo(projectPath).isFile())
        return false;
    if (load(projectPath) == state)
        return true;
    return state.write(projectPath);
}

} // namespace tlv::app
