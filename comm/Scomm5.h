#pragma once

#include "comm/DbxEntry.h"
#include "comm/ScommApi.h"

#include <QList>
#include <QMap>
#include <QString>

namespace tlv::common {
class Prompter;
}

namespace tlv::comm {

// PG5's channel: opens the channel PG5 itself goes online with and reads status,
// registers, data-block elements and the DBX registry through it. Every call's
// result is kept as the last result; a positive one is named into the error text.
class Scomm5
{
public:
    // errorText is the connection's last error text, shared with the maker's driver.
    Scomm5(ScommApi &api, common::Prompter &prompter, QString &errorText);

    // PG5 version code from the command line (14-19 PG5 1.x, 20-21 PG5 2.x); 0 for a start
    // without PG5, which opens the channel with the built-in library and PG5's folders unset.
    void setPg5VersionCode(qint32 code) { m_versionCode = code; }
    [[nodiscard]] qint32 pg5VersionCode() const { return m_versionCode; }
    // AppsDir of each installed PG5 version, keyed by version code.
    void setAppsDirs(const QMap<qint32, QString> &appsDirs) { m_appsDirs = appsDirs; }
    // The library a real PG5 of this version would bind.
    [[nodiscard]] QString libraryName() const;

    qint32 ScommOpenChannel();
    bool ScommCloseChannel();
    qint32 ScommReadStatus(qint32 &status);
    // Reads into buffer from index on; a span that does not fit the buffer is refused.
    qint32 ScommReadRegisters(qint16 first, qint16 count, qint16 index, QList<qint32> &buffer);
    qint32 ScommReadDataBlock(
        qint16 block, qint16 first, qint16 count, qint16 index, QList<qint32> &buffer);
    // Searches from DBX number down to 0; fills entry when found.
    bool ScommFindDbxEntry(qint32 number, const QString &key, DbxEntry &entry);
    // False when the folder could not be made current (a run-time failure, not a message).
    bool SetPG5Directory();
    void ScommErrorName(qint32 code);

    [[nodiscard]] qint32 lastResult() const { return m_lastResult; }
    [[nodiscard]] qint32 handle() const { return m_handle; }

private:
    qint32 store(qint32 result);
    bool fits(qint16 count, qint16 index, const QList<qint32> &buffer);

    ScommApi &m_api;
    common::Prompter &m_prompter;
    QString &m_errorText;
    QMap<qint32, QString> m_appsDirs;
    ScommChannelSetup m_setup;
    qint32 m_versionCode = 0;
    qint32 m_toldVersionCode = 0; // a problem with the PG5 folder is told once per version
    qint32 m_handle = 0;
    qint32 m_lastResult = 0;
};

} // namespace tlv::comm
