#pragma once

#include <QString>

#include <array>
#include <optional>

namespace tlv::viewer {

struct ColumnDescription;

// The texts of the value conversion window, worked out without a window: the
// caption, the height and the four caption/value rows.
class ConversionText
{
public:
    struct Row
    {
        QString caption;
        QString value;
        bool visible = false;
    };

    // What a grid cell opens the window with.
    struct Request
    {
        bool numeric = false;
        qint16 bits = 0;
        qint16 hexDigits = 0;
        qint16 format = 0; // code of the format's conversion letter
        QString formatName; // the column's format as stored, without "%"
        quint64 value = 0; // unsigned value within bits
        qint64 raw = 0; // the value as the decoder read it, signed where the column is
        QString shown; // the grid text
        QString comment;
    };

    static constexpr int TwipsPerBit = 132;
    static constexpr int BaseTwips = 1100;

    QString caption;
    int heightTwips = 0; // 0: as high as the visible rows need
    std::array<Row, 4> rows;

    [[nodiscard]] static ConversionText numeric(
        qint16 bits, qint16 hexDigits, quint64 value, qint64 raw, const QString &shown = {});
    [[nodiscard]] static ConversionText text(const QString &value, const QString &comment);

    [[nodiscard]] static QString decimal(quint64 value, qint64 raw);
    [[nodiscard]] static QString hexa(qint16 bits, qint16 hexDigits, quint64 value);
    [[nodiscard]] static QString binary(qint16 bits, quint64 value);
    // The caption of the grid-text row: the column's format as it stands
    // ("As %1d:"), else its conversion letter alone; empty without either.
    [[nodiscard]] static QString formatCaption(qint16 format, const QString &formatName);

    // The request for one data cell; nullopt for an empty cell or a separator.
    // raw is the cell's raw value (none for a string).
    [[nodiscard]] static std::optional<Request> forCell(const ColumnDescription &column,
        std::optional<qint64> raw, const QString &cellText, const QString &comment);
};

} // namespace tlv::viewer
