#include "app/core/PlantSourceList.h"

#include "journal/plant/PlantConnection.h"

namespace tlv::app {

bool PlantSourceList::read(const QString &uri)
{
    m_sources.clear();
    m_error.clear();
    plant::PlantUri parsed;
    if (!parsed.parse(uri.trimmed())) {
        m_error = parsed.error();
        return false;
    }
    plant::PlantConnection connection;
    if (!connection.open(parsed, QStringLiteral("Tolvane"))) {
        m_error = connection.errorString();
        return false;
    }
    return plant::listSources(connection, &m_sources, &m_error);
}

QStringList PlantSourceList::headers()
{
    return { QStringLiteral("Source"), QStringLiteral("Rows"), QStringLiteral("First (UTC)"),
        QStringLiteral("Last (UTC)") };
}

QStringList PlantSourceList::cells(const plant::SourceSummary &source)
{
    const auto time = [](const QDateTime &t) {
        return t.isValid() ? t.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
    };
    return { source.name, QString::number(source.rows), time(source.first), time(source.last) };
}

} // namespace tlv::app
