#include "cSymbol.h"

namespace tlv::viewer {

QString cSymbol::keyOf(const QString &type, qint16 address)
{
    return type + u' ' + QString::number(address);
}

const colSymbols *cSymbol::Add(
    const QString &type, const QString &name, const QString &comment, qint16 address)
{
    return m_items.add(keyOf(type, address), colSymbols { name, comment, address, type });
}

} // namespace tlv::viewer
