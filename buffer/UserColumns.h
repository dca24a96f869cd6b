#pragma once

#include "buffer/UserColumn.h"

#include <QList>
#include <QString>
#include <QtGlobal>

namespace tlv::buffer {

// The user buffer: buffer-wide settings and an ordered, 1-based list of columns.
// Setters never touch changed(); the editor marks edits itself.
class UserColumns
{
public:
    // Appends, or inserts directly after the column now at posi when posi >= 1.
    // posi beyond the last column appends.
    UserColumn &add(const QString &Title, const QString &Variable, qint16 RecPlace,
        const QString &DataType, qint16 DataPos, const QString &Format, qint32 Width, qint32 Delta,
        qint16 posi = 0);
    UserColumn &add(const UserColumn &column, qint16 posi = 0);
    // 1-based; nullptr outside 1..count().
    [[nodiscard]] UserColumn *item(int position);
    [[nodiscard]] const UserColumn *item(int position) const;
    [[nodiscard]] int count() const { return int(m_columns.size()); }
    bool remove(int position);
    // Empties the list and resets the properties; headerKey and memory stay.
    void clear();
    // The values a buffer gets before a project file is read.
    void applyNewBufferDefaults();

    [[nodiscard]] auto begin() { return m_columns.begin(); }
    [[nodiscard]] auto end() { return m_columns.end(); }
    [[nodiscard]] auto begin() const { return m_columns.cbegin(); }
    [[nodiscard]] auto end() const { return m_columns.cend(); }

    [[nodiscard]] qint16 enable() const { return m_enable; }
    void setEnable(qint16 v) { m_enable = v; }
    [[nodiscard]] QString title() const { return m_title; }
    void setTitle(const QString &v) { m_title = v; }
    [[nodiscard]] QString exportFile() const { return m_exportFile; }
    void setExportFile(const QString &v) { m_exportFile = v; }
    [[nodiscard]] QString headerKey() const { return m_headerKey; }
    void setHeaderKey(const QString &v) { m_headerKey = v; }
    [[nodiscard]] qint16 headerType() const { return m_headerType; }
    void setHeaderType(qint16 v) { m_headerType = v; }
    [[nodiscard]] QString startReg() const { return m_startReg; }
    void setStartReg(const QString &v) { m_startReg = v; }
    // Tenths of a second; held in 16 bits, so a value that does not fit is refused.
    [[nodiscard]] qint32 recordInt() const { return m_recordInt; }
    bool setRecordInt(qint32 v);
    [[nodiscard]] qint16 recordLen() const { return m_recordLen; }
    void setRecordLen(qint16 v) { m_recordLen = v; }
    [[nodiscard]] qint16 bufferLen() const { return m_bufferLen; }
    void setBufferLen(qint16 v) { m_bufferLen = v; }
    [[nodiscard]] qint16 column() const { return m_column; }
    void setColumn(qint16 v) { m_column = v; }
    [[nodiscard]] QString recordEnable() const { return m_recordEnable; }
    void setRecordEnable(const QString &v) { m_recordEnable = v; }
    [[nodiscard]] QString recordCommand() const { return m_recordCommand; }
    void setRecordCommand(const QString &v) { m_recordCommand = v; }
    [[nodiscard]] QString clearBuf() const { return m_clearBuf; }
    void setClearBuf(const QString &v) { m_clearBuf = v; }
    [[nodiscard]] QString closeTlv() const { return m_closeTlv; }
    void setCloseTlv(const QString &v) { m_closeTlv = v; }
    [[nodiscard]] QString serialNr() const { return m_serialNr; }
    void setSerialNr(const QString &v) { m_serialNr = v; }
    [[nodiscard]] qint16 recordChange() const { return m_recordChange; }
    void setRecordChange(qint16 v) { m_recordChange = v; }
    [[nodiscard]] qint16 memory() const { return m_memory; } // 0 "RAM DBs", 1 "Registers"
    void setMemory(qint16 v) { m_memory = v; }
    [[nodiscard]] bool changed() const { return m_changed; }
    void setChanged(bool v) { m_changed = v; }

private:
    qint16 m_enable = 0;
    QString m_title;
    QString m_exportFile;
    QString m_headerKey = QStringLiteral("DEFA");
    qint16 m_headerType = 0;
    QString m_startReg;
    qint16 m_recordInt = 0;
    qint16 m_recordLen = 0;
    qint16 m_bufferLen = 0;
    qint16 m_column = 0;
    QString m_recordEnable;
    QString m_recordCommand;
    QString m_clearBuf;
    QString m_closeTlv;
    QString m_serialNr;
    qint16 m_recordChange = 0;
    qint16 m_memory = 0;
    bool m_changed = false;
    QList<UserColumn> m_columns;
};

} // namespace tlv::buffer
