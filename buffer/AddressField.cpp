#include "buffer/AddressField.h"

#include "buffer/NumberText.h"

namespace tlv::buffer {

namespace {

int highestAddress(QChar letter)
{
    return letter == u'R' ? 16383 : 8191;
}

std::optional<QString> typed(QChar letter, double value)
{
    const auto n = toInt16(value);
    if (!n || *n < 0 || *n > highestAddress(letter))
        return std::nullopt;
    return QString(letter) + u' ' + QString::number(*n);
}

} // namespace

std::optional<QString> normaliseAddress(const QString &text, QStringView allowed)
{
    if (allowed.isEmpty())
        return std::nullopt;
    const QString s = text.trimmed();
    if (!s.isEmpty() && s[0].isDigit() && s[0].unicode() < 128)
        return typed(allowed[0].toUpper(), leadingNumber(s));
    if (s.size() < 2 || s[1] != u' ')
        return s; // a symbol
    const QString rest = s.mid(2);
    const QChar letter = s[0].toUpper();
    if (!isNumeric(rest) || !allowed.contains(letter, Qt::CaseInsensitive))
        return std::nullopt;
    return typed(letter, fieldNumber(rest));
}

std::optional<qint16> startRegisterNumber(const QString &startReg)
{
    QString text = startReg.trimmed();
    const qsizetype blank = text.indexOf(u' ');
    if (blank >= 0)
        text = text.mid(blank + 1).trimmed();
    if (!isNumeric(text))
        return std::nullopt;
    const std::optional<qint16> reg = toInt16(fieldNumber(text));
    if (!reg || *reg < 0)
        return std::nullopt;
    return reg;
}

} // namespace tlv::buffer
