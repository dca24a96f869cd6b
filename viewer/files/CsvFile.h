#pragma once

#include "viewer/files/SaveTarget.h"

#include <QString>
#include <QStringList>

namespace tlv::viewer {

// Comma-separated values as RFC 4180 has them: UTF-8, CRLF after every line,
// a field holding a comma, quote, CR or LF is quoted with its quotes doubled.
// The target only takes the new content at close(), like ExcelFile.
class CsvFile
{
public:
    bool open(const QString &fileName);
    bool writeLine(const QStringList &fields);
    bool close();
    void discard();

    [[nodiscard]] bool isOpen() const { return m_target.isOpen(); }
    [[nodiscard]] QString errorString() const { return m_target.errorString(); }

    // One field as it goes into a line.
    [[nodiscard]] static QString quoted(const QString &field);
    // The fields joined and ended with CRLF.
    [[nodiscard]] static QString line(const QStringList &fields);

private:
    SaveTarget m_target;
};

} // namespace tlv::viewer
