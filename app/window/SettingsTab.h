#pragma once

#include <QMap>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tlv::app {

class SettingsPage;
struct BufferTypeSetup;

// Tab 2, the settings: binds its elements to SettingsPage and checks each
// field when it is left.
class SettingsTab : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsTab(SettingsPage &page, QWidget *parent = nullptr);

    void applySetup(const BufferTypeSetup &setup);
    void setFramesEnabled(bool enabled);
    bool save();
    // Checks the field being edited as leaving it would, so a window closed
    // from it does not drop what was typed; false when the field refused it.
    bool takePendingEdit();
    // Runs the check of a field as leaving it does; false when refused.
    bool leave(QLineEdit *edit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One frame each, with its bindings to the page.
    void buildConnectionFrame();
    void buildChannelFrame();
    void buildBufferFrame();
    QGroupBox *buildViewerFrame();
    QGroupBox *buildExportFrame();
    QGroupBox *buildPg5Frame();
    QLineEdit *lineEdit(const QString &name, const QString &tip);
    void addLeaveCheck(QLineEdit *edit, std::function<bool(const QString &)> check);
    void showView();
    void channelLeft();

    SettingsPage &m_page;
    QMap<QLineEdit *, std::function<bool(const QString &)>> m_checks;
    QGroupBox *m_frameConnection = nullptr;
    QGroupBox *m_frameBuffer = nullptr;
    QGroupBox *m_frameChannel = nullptr;
    QLabel *m_lblDLL = nullptr;
    QComboBox *m_dll = nullptr;
    QLabel *m_lblPort = nullptr;
    QComboBox *m_port = nullptr;
    QLabel *m_lblProtocol = nullptr;
    QComboBox *m_protocol = nullptr;
    QLabel *m_lblBaud = nullptr;
    QComboBox *m_baud = nullptr;
    QLabel *m_lblStation = nullptr;
    QLineEdit *m_station = nullptr;
    QCheckBox *m_autoConnect = nullptr;
    QLabel *m_lblBufferType = nullptr;
    QLabel *m_lblStartReg = nullptr;
    QLineEdit *m_startReg = nullptr;
    QLineEdit *m_readInt = nullptr;
    QLineEdit *m_gridLines = nullptr;
    QLineEdit *m_graphLines = nullptr;
    QLineEdit *m_excelFile = nullptr;
    QPushButton *m_cmdExcelFile = nullptr;
    QCheckBox *m_exportFull = nullptr;
    QCheckBox *m_journal = nullptr;
    QRadioButton *m_optReplace = nullptr;
    QRadioButton *m_optIndex = nullptr;
    QRadioButton *m_optIndexSN = nullptr;
    QLineEdit *m_pg5Global = nullptr;
    QRadioButton *m_optUdp = nullptr;
    QRadioButton *m_optSerial = nullptr;
    QLineEdit *m_chAddress = nullptr;
    QLineEdit *m_chPort = nullptr;
    QLineEdit *m_chDevice = nullptr;
    QComboBox *m_chBaud = nullptr;
    QLineEdit *m_chStation = nullptr;
    QPushButton *m_ok = nullptr;
    bool m_checking = false;
};

} // namespace tlv::app
