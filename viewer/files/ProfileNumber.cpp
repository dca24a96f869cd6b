#include "ProfileNumber.h"

#include <QString>

#include <cmath>

namespace tlv::viewer {

namespace {

bool roundInto(double value, qint64 min, qint64 max, qint64 *out)
{
    if (!std::isfinite(value))
        return false;
    // nearbyint follows the default rounding mode: halves go to the even neighbour.
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(min) || rounded > static_cast<double>(max))
        return false;
    *out = static_cast<qint64>(rounded);
    return true;
}

} // namespace

bool ProfileNumber::leading(QStringView text, qint64 min, qint64 max, qint64 *out)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return roundInto(0.0, min, max, out);
    bool ok = false;
    const double value = text.mid(start, i - start).toString().toDouble(&ok);
    return ok && roundInto(value, min, max, out);
}

bool ProfileNumber::strict(QStringView text, qint64 min, qint64 max, qint64 *out)
{
    const QString trimmed = text.trimmed().toString();
    if (trimmed.isEmpty())
        return false;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    return ok && roundInto(value, min, max, out);
}

} // namespace tlv::viewer
