#pragma once

#include <QDialog>

namespace tlv::app {

// The about window: the program's title and version.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);
};

} // namespace tlv::app
