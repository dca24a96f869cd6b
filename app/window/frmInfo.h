#pragma once

#include <QDialog>

namespace tlv::app {

// The start information window of a run without a project.
class frmInfo : public QDialog
{
    Q_OBJECT
public:
    explicit frmInfo(QWidget *parent = nullptr);
};

} // namespace tlv::app
