#pragma once

#include <QString>

namespace tlv::plant {

class PlantConnection;

// The tables, views, functions and roles of a plant database in schema tolvane. Only the
// views tolvane.records and tolvane.samples and the group roles tolvane_recorder and
// tolvane_reader are promised to readers; the rest may change with the version.
class PlantSchema
{
public:
    static constexpr int Version = 2;
    // The first of the two advisory-lock keys this schema uses (a source's claim, partition DDL).
    static constexpr int LockClass = 0x746c76; // "tlv"

    // Creates or upgrades the schema and the roles in one transaction; a newer schema is
    // left as it is. False with errorString().
    bool init(PlantConnection &connection);
    // The version a database holds: 0 for none, -1 when it cannot be read (errorString()).
    int version(PlantConnection &connection);
    // Says what init did ("created", "upgraded from 1", "already at").
    [[nodiscard]] QString done() const { return m_done; }
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    bool fail(PlantConnection &connection, const QString &why);

    QString m_done;
    QString m_error;
};

} // namespace tlv::plant
