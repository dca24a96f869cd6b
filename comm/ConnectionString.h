#pragma once

#include "comm/sbus/SbusSettings.h"

#include <QString>

namespace tlv::comm {

// "udp:HOST[:PORT][/STATION]" or "serial:DEVICE[:BAUD][/STATION]" as typed on a
// command line. A serial device that exists as given keeps its last "/n";
// "COMn" is looked up like the settings' COM ports. False with a reason when
// the text cannot be used; settings are then unchanged.
bool parseConnectionString(const QString &text, SbusSettings &settings, QString *error);

} // namespace tlv::comm
