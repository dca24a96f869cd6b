#pragma once

#include "comm/DbxEntry.h"
#include "comm/ScommApi.h"
#include "comm/sbus/SbusResult.h"

#include <QList>
#include <QMap>
#include <QString>

namespace tlv::comm {

// PG5's channel: opens the channel PG5 itself goes online with and reads status,
// registers, data-block elements and the DBX registry through it. The library's
// codes end here: every operation reports an SbusResult whose text is the code's
// name; the host decides what the user sees.
class Scomm5
{
public:
    explicit Scomm5(ScommApi &api);

    // PG5 version code from the command line (14-19 PG5 1.x, 20-21 PG5 2.x); 0 for a start
    // without PG5, which opens the channel with the built-in library and PG5's folders unset.
    void setPg5VersionCode(qint32 code) { m_versionCode = code; }
    [[nodiscard]] qint32 pg5VersionCode() const { return m_versionCode; }
    // AppsDir of each installed PG5 version, keyed by version code.
    void setAppsDirs(const QMap<qint32, QString> &appsDirs) { m_appsDirs = appsDirs; }
    // The library a real PG5 of this version would bind.
    [[nodiscard]] QString libraryName() const;

    // Unavailable with the reason when the library or PG5's folder cannot be used.
    SbusResult ScommOpenChannel();
    bool ScommCloseChannel();
    SbusResult ScommReadStatus(qint32 &status);
    // Reads into buffer from index on; a span that does not fit the buffer is refused.
    SbusResult ScommReadRegisters(qint16 first, qint16 count, qint16 index, QList<qint32> &buffer);
    SbusResult ScommReadDataBlock(
        qint16 block, qint16 first, qint16 count, qint16 index, QList<qint32> &buffer);
    // Searches from DBX number down to 0; fills entry when found.
    SbusResult ScommFindDbxEntry(qint32 number, const QString &key, DbxEntry &entry);
    // Makes PG5's program folder of the version current. BadSettings for an unknown version
    // or a version without folder (the channel opens all the same), Unavailable when the
    // folder cannot be made current.
    SbusResult SetPG5Directory();
    // Names a code into errorText(); a code without a name leaves the text as it was.
    void ScommErrorName(qint32 code);

    [[nodiscard]] const QString &errorText() const { return m_errorText; }
    // What the last opening found wrong with PG5's folder although it went on.
    [[nodiscard]] const SbusResult &folderProblem() const { return m_folderProblem; }
    [[nodiscard]] qint32 handle() const { return m_handle; }

private:
    SbusResult result(qint32 code);
    [[nodiscard]] SbusResult unavailable() const;
    bool fits(qint16 count, qint16 index, const QList<qint32> &buffer);

    ScommApi &m_api;
    QString m_errorText;
    QMap<qint32, QString> m_appsDirs;
    ScommChannelSetup m_setup;
    SbusResult m_folderProblem;
    qint32 m_versionCode = 0;
    qint32 m_handle = 0;
};

} // namespace tlv::comm
