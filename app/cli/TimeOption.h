#pragma once

#include <QDateTime>
#include <QString>

namespace tlv::app {

// An ISO 8601 time from the command line ("2026-12-07T08:30:00Z", "2026-12-07 08:30",
// "2026-12-07"); without an offset it is the PC's local time. False with why.
bool parseTimeOption(const QString &text, QDateTime *time, QString *why);

} // namespace tlv::app
