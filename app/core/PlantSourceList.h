#pragma once

#include "journal/plant/PlantSources.h"

#include <QString>
#include <QStringList>

namespace tlv::app {

// The sources of a plant database as the window lists them to choose one from.
class PlantSourceList
{
public:
    // Connects to the libpq URI and reads its sources; false with errorString().
    bool read(const QString &uri);
    [[nodiscard]] QString errorString() const { return m_error; }
    [[nodiscard]] const QList<plant::SourceSummary> &sources() const { return m_sources; }

    // The list's column titles and one source's cells in them (times in UTC).
    [[nodiscard]] static QStringList headers();
    [[nodiscard]] static QStringList cells(const plant::SourceSummary &source);

private:
    QList<plant::SourceSummary> m_sources;
    QString m_error;
};

} // namespace tlv::app
