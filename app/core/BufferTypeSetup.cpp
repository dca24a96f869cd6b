#include "app/core/BufferTypeSetup.h"

#include "buffer/BufferType.h"
#include "common/IniProfile.h"

namespace tlv::app {

BufferTypeSetup BufferTypeSetup::forType(qint16 bufferType, bool simulation, bool configLocked,
    bool settingsLocked, qint16 connectionStartReg)
{
    using namespace buffer;
    BufferTypeSetup s;
    s.bufferType = simulation ? BufferType::Configured : bufferType;
    switch (s.bufferType) {
    case BufferType::Configured:
        s.typeLabel = QStringLiteral("Configured Buffer in use.");
        s.configTabEnabled = true;
        s.refreshGrid = true;
        break;
    case BufferType::PublicEvents:
        s.typeLabel = QStringLiteral("Public Event Buffer in use.");
        break;
    default:
        s.typeLabel = QStringLiteral("Standard Buffer in use.");
        s.startRegVisible = true;
        s.startRegText = QString::number(connectionStartReg);
        break;
    }
    if (configLocked)
        s.configTabEnabled = false;
    if (settingsLocked)
        s.settingsTabEnabled = false;
    return s;
}

BufferTypeTexts BufferTypeTexts::read(const QString &tolvaneIni)
{
    const QString section = QStringLiteral("BufferType");
    const auto text = [&](const char16_t *key) {
        QString v = common::IniProfile::read(tolvaneIni, section, QString::fromUtf16(key));
        v.replace(u'~', u'\n');
        return v;
    };
    return { text(u"Standard"), text(u"Configured"), text(u"PublicEvents") };
}

qint16 BufferTypeTexts::result(bool accepted, int optionChosen)
{
    if (!accepted || optionChosen < 0 || optionChosen > 2)
        return buffer::BufferType::Cancelled;
    return qint16(optionChosen);
}

} // namespace tlv::app
