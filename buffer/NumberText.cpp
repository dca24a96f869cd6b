#include "buffer/NumberText.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace tlv::buffer {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Parses a number at text[pos...]; returns the length taken (0 when none).
// decimals holds the characters accepted as decimal separator.
qsizetype scanNumber(const QString &text, qsizetype pos, QStringView decimals, double *value)
{
    QString plain;
    qsizetype i = pos;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        plain += text[i++];
    qsizetype digits = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        plain += text[i++];
        ++digits;
    }
    if (i < text.size() && decimals.contains(text[i])) {
        qsizetype j = i + 1;
        QString fraction;
        while (j < text.size() && text[j].isDigit() && text[j].unicode() < 128)
            fraction += text[j++];
        if (digits > 0 || !fraction.isEmpty()) {
            plain += u'.' + fraction;
            digits += fraction.size();
            i = j;
        }
    }
    if (digits == 0)
        return 0;
    if (i < text.size()
        && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            exponent += text[j++];
        qsizetype expDigits = 0;
        while (j < text.size() && text[j].isDigit() && text[j].unicode() < 128) {
            exponent += text[j++];
            ++expDigits;
        }
        if (expDigits > 0) {
            plain += exponent;
            i = j;
        }
    }
    bool ok = false;
    const double v = plain.toDouble(&ok);
    *value = ok && std::isfinite(v) ? v : 0.0;
    return i - pos;
}

template<typename Int> std::optional<Int> toInt(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value); // default rounding: halves to even
    if (r < double(std::numeric_limits<Int>::min()) || r > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return Int(r);
}

} // namespace

double leadingNumber(const QString &text)
{
    qsizetype pos = 0;
    while (pos < text.size() && (isBlank(text[pos]) || text[pos] == u'\r' || text[pos] == u'\n'))
        ++pos;
    double value = 0.0;
    if (scanNumber(text, pos, u".", &value) == 0)
        return 0.0;
    return value;
}

bool isNumeric(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    double value = 0.0;
    return scanNumber(t, 0, u".,", &value) == t.size();
}

double fieldNumber(const QString &text)
{
    const QString t = text.trimmed();
    double value = 0.0;
    if (!t.isEmpty() && scanNumber(t, 0, u".,", &value) == t.size())
        return value;
    return leadingNumber(text);
}

QString localNumberText(double value)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 12);
}

std::optional<qint16> toInt16(double value)
{
    return toInt<qint16>(value);
}

std::optional<qint32> toInt32(double value)
{
    return toInt<qint32>(value);
}

} // namespace tlv::buffer
