#include "comm/DriverTexts.h"

namespace tlv::comm::DriverTexts {

QString varnokText(qint32 code)
{
    switch (code) {
    case 0:
        return QStringLiteral("OK");
    case 1:
        return QStringLiteral("Invalid COM-Port Parameter");
    case 2:
        return QStringLiteral("Invalid Baudrate Parameter");
    case 3:
        return QStringLiteral("Invalid Protocol Parameter");
    case 9:
        return QStringLiteral("COM already opened");
    case 12:
        return QStringLiteral("Out of memory");
    case 32:
        return QStringLiteral("COM don't exist");
    case 35:
        return QStringLiteral("Can't open COM");
    case 38:
        return QStringLiteral("Invalid Windows version");
    case 101:
        return QStringLiteral("NAK Response");
    case 102:
        return QStringLiteral("Framing Error");
    case 103:
        return QStringLiteral("Invalid BCC");
    case 104:
        return QStringLiteral("Invalid Response");
    case 105:
        return QStringLiteral("P8 Error");
    case 106:
        return QStringLiteral("No Response");
    case 107:
        return QStringLiteral("No CTS");
    case 110:
        return QStringLiteral("Invalid Parameter");
    case 135:
        return QStringLiteral("COM Closed");
    default:
        return QStringLiteral("Unknow error : ") + QString::number(code);
    }
}

std::optional<QString> scommName(qint32 code)
{
    static const char *const names[] = {
        "PCD_OK!",
        " PCD_NAK",
        " PCD_COMERR",
        " PCD_BCCERR",
        " PCD_INVALID",
        " PCD_P8CONN",
        " PCD_NORESP",
        nullptr,
        " PCD_NODCD",
        " PCD_INUSE",
        " PCD_BADPARM",
        " PCD_VERIFERR",
        " PCD_OUTOFMEM",
        " PCD_WRONGCPU",
        " PCD_NOCPU",
        " PCD_UNKNOWN",
        " PCD_DIFF",
        " PCD_CANTOPEN",
        " PCD_WRERROR",
        " PCD_RDERROR",
        " PCD_BADFILE",
        " PCD_CSERROR",
        " PCD_BADHDR",
        " PCD_CODESIZE",
        " PCD_TEXTSIZE",
        " PCD_EXTSIZE",
        " PCD_NOTINIT",
        " PCD_EPROM",
        " PCD_CANCEL",
        " PCD_NOTDEF",
        " PCD_RUNNING",
        " PCD_NOTPROG",
        nullptr,
        nullptr,
        " PCD_NOCHGEXT",
        " PCD_NOTOPEN",
        nullptr,
        " PCD_COMBUSY",
        nullptr,
        nullptr,
        " PCD_LOCKED",
    };
    if (code < 0 || code >= qint32(std::size(names)) || !names[code])
        return std::nullopt;
    return QString::fromLatin1(names[code]);
}

} // namespace tlv::comm::DriverTexts
