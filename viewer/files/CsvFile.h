#pragma once

#include "common/SaveTarget.h"
#include "viewer/files/SheetWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <limits>

namespace tlv::viewer {

// Comma-separated values as RFC 4180 has them: UTF-8, CRLF after every line,
// a field holding a comma, quote, CR or LF is quoted with its quotes doubled.
// Every cell is the text the grid shows; a line per row, a field per column, and
// the rows must come in order. The target only takes the new content at close().
class CsvFile final : public SheetWriter
{
public:
    bool open(const QString &fileName) override;
    [[nodiscard]] int rowLimit() const override { return std::numeric_limits<int>::max(); }
    bool addColumn(int column, int characters, QStringView header) override;
    bool writeText(int row, int column, QStringView text) override;
    bool writeNumber(int row, int column, double value, QStringView shown) override;
    bool writeDate(int row, int column, double days, int formatIndex, QStringView shown) override;
    bool close() override;
    void discard() override;

    [[nodiscard]] bool isOpen() const override { return m_target.isOpen(); }
    [[nodiscard]] QString errorString() const override { return m_error; }

    // One field as it goes into a line.
    [[nodiscard]] static QString quoted(const QString &field);
    // The fields joined and ended with CRLF.
    [[nodiscard]] static QString line(const QStringList &fields);

private:
    // The line of the row being written goes out when the next row starts.
    bool startRow(int row);
    bool flush();
    bool fail(const QString &error);

    common::SaveTarget m_target;
    QStringList m_fields;
    QByteArray m_pending; // lines not yet handed to the target
    int m_row = 0; // the row m_fields holds; 0 before the first
    QString m_error;
};

} // namespace tlv::viewer
