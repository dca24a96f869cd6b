#pragma once

#include "comm/HostedControl.h"
#include "viewer/core/ControlCore.h"

namespace tlv::app {

// The hosted control as the connection and the read serving see it; the
// window's host and the headless recorder both hand it over.
class ControlAdapter : public comm::HostedControl
{
public:
    explicit ControlAdapter(viewer::ControlCore &control)
        : m_control(control)
    { }

    void setPCDStatus(qint32 status) override { m_control.setPcdStatus(status); }
    void setDataBlock(const QList<qint32> &values) override { m_control.setDataBlock(values); }
    [[nodiscard]] qint16 RunMode() const override { return m_control.runMode(); }
    void setRunMode(qint16 mode) override { m_control.setRunMode(mode); }
    void Start() override { m_control.Start(); }

private:
    viewer::ControlCore &m_control;
};

} // namespace tlv::app
