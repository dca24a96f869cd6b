#pragma once

#include <QList>
#include <QtGlobal>

namespace tlv::comm {

// The members of the hosted viewer control that connection and read serving use.
class HostedControl
{
public:
    virtual ~HostedControl() = default;

    virtual void setPCDStatus(qint32 status) = 0;
    // The control copies the values before this returns.
    virtual void setDataBlock(const QList<qint32> &values) = 0;
    // 0 stopped, 1 paused, 2 running.
    [[nodiscard]] virtual qint16 RunMode() const = 0;
    virtual void setRunMode(qint16 mode) = 0;
    virtual void Start() = 0;
};

} // namespace tlv::comm
