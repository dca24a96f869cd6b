#include "app/window/SettingsTab.h"

#include "app/core/BufferTypeSetup.h"
#include "app/core/SettingsPage.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace tlv::app {

namespace {

QComboBox *combo(const QString &name, const QString &tip, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    c->setToolTip(tip);
    return c;
}

QLabel *label(const QString &name, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

void setComboItems(QComboBox *box, const QStringList &items, int index)
{
    const QSignalBlocker block(box);
    QStringList current;
    for (int i = 0; i < box->count(); ++i)
        current.append(box->itemText(i));
    if (current != items) {
        box->clear();
        box->addItems(items);
    }
    box->setCurrentIndex(index);
}

void setText(QLineEdit *edit, const QString &text)
{
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

SettingsTab::SettingsTab(SettingsPage &page, QWidget *parent)
    : QWidget(parent)
    , m_page(page)
{
    setObjectName(QStringLiteral("SettingsTab"));
    // Below the frames' own heights the page scrolls instead of squeezing them.
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("SettingsScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(scroll);
    scroll->setWidget(content);
    outer->addWidget(scroll);
    auto *grid = new QGridLayout(content);
    grid->setHorizontalSpacing(14);

    buildConnectionFrame();
    buildBufferFrame();
    QWidget *viewer = buildViewerFrame();
    QWidget *exportBox = buildExportFrame();
    QWidget *pg5 = buildPg5Frame();
    m_ok = new QPushButton(QStringLiteral("Save Settings"), this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setToolTip(QStringLiteral("Store the settings in the project file (Ctrl+S)"));

    auto *left = new QVBoxLayout;
    left->addWidget(m_frameConnection);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(m_frameBuffer);
    right->addWidget(viewer);
    right->addWidget(exportBox);
    right->addWidget(pg5);
    right->addStretch();
    auto *okRow = new QHBoxLayout;
    okRow->addStretch();
    okRow->addWidget(m_ok);
    right->addLayout(okRow);
    grid->addLayout(left, 0, 0);
    grid->addLayout(right, 0, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    connect(m_ok, &QPushButton::clicked, this, &SettingsTab::save);
    connect(&m_page, &SettingsPage::viewChanged, this, &SettingsTab::showView);
    connect(&m_page, &SettingsPage::beep, this, [] { QApplication::beep(); });
}

void SettingsTab::buildConnectionFrame()
{
    m_frameConnection = new QGroupBox(QStringLiteral("PCD Connection"), this);
    m_frameConnection->setObjectName(QStringLiteral("FrameConnection"));
    auto *conn = new QFormLayout(m_frameConnection);
    m_lblDLL = label(QStringLiteral("lblDLL"), QStringLiteral("Driver:"), m_frameConnection);
    m_dll = combo(QStringLiteral("DLL_list"),
        QStringLiteral("Internal: Tolvane's own serial S-Bus driver. SAIA PG5: the channel PG5 "
                       "goes online with."),
        m_frameConnection);
    m_lblPort = label(QStringLiteral("lblPort"), QStringLiteral("Port:"), m_frameConnection);
    m_port = combo(QStringLiteral("Port_list"), QStringLiteral("Serial port of the S-Bus line"),
        m_frameConnection);
    m_lblProtocol
        = label(QStringLiteral("lblProtocol"), QStringLiteral("Protocol:"), m_frameConnection);
    m_protocol = combo(
        QStringLiteral("Protocol_list"), QStringLiteral("Protocol of the line"), m_frameConnection);
    m_lblBaud = label(QStringLiteral("lblBaud"), QStringLiteral("Baud rate:"), m_frameConnection);
    m_baud = combo(QStringLiteral("Baudrate_list"), QStringLiteral("Baud rate of the line"),
        m_frameConnection);
    m_lblStation
        = label(QStringLiteral("lblStation"), QStringLiteral("Station:"), m_frameConnection);
    m_station = lineEdit(QStringLiteral("station_num"), QStringLiteral("S-Bus station, 0 to 255"));
    m_autoConnect
        = new QCheckBox(QStringLiteral("Connect automatically at start-up"), m_frameConnection);
    m_autoConnect->setObjectName(QStringLiteral("ckbAutoconnect"));
    m_autoConnect->setToolTip(
        QStringLiteral("Connect and start reading as soon as the window opens; retried every 2 s"));
    conn->addRow(m_lblDLL, m_dll);
    conn->addRow(m_lblPort, m_port);
    conn->addRow(m_lblProtocol, m_protocol);
    conn->addRow(m_lblBaud, m_baud);
    conn->addRow(m_lblStation, m_station);

    buildChannelFrame();
    conn->addRow(m_frameChannel);
    conn->addRow(m_autoConnect);

    connect(m_dll, &QComboBox::activated, this, [this](int i) { m_page.dllChosen(i); });
    connect(m_port, &QComboBox::activated, this, [this](int i) { m_page.portChosen(i); });
    connect(m_protocol, &QComboBox::activated, this, [this](int i) { m_page.protocolChosen(i); });
    connect(m_baud, &QComboBox::activated, this, [this](int i) { m_page.baudChosen(i); });
    connect(m_autoConnect, &QCheckBox::clicked, this,
        [this](bool on) { m_page.autoConnectToggled(on); });

    addLeaveCheck(m_station, [this](const QString &t) { return m_page.stationLeft(t); });
}

// Inside the connection frame: how the PG5 channel reaches the PCD.
void SettingsTab::buildChannelFrame()
{
    m_frameChannel = new QGroupBox(QStringLiteral("PG5 channel (GoOnline)"), m_frameConnection);
    m_frameChannel->setObjectName(QStringLiteral("FrameChannel"));
    m_frameChannel->setToolTip(
        QStringLiteral("How the PG5 channel reaches the PCD; saved in the project file"));
    auto *ch = new QFormLayout(m_frameChannel);
    m_optUdp = new QRadioButton(QStringLiteral("Ether-S-Bus (UDP)"), m_frameChannel);
    m_optUdp->setObjectName(QStringLiteral("optChannelUdp"));
    m_optSerial = new QRadioButton(QStringLiteral("Serial S-Bus"), m_frameChannel);
    m_optSerial->setObjectName(QStringLiteral("optChannelSerial"));
    auto *kinds = new QHBoxLayout;
    kinds->addWidget(m_optUdp);
    kinds->addWidget(m_optSerial);
    kinds->addStretch();
    ch->addRow(QStringLiteral("Channel:"), kinds);
    m_chAddress = lineEdit(
        QStringLiteral("txbChannelAddress"), QStringLiteral("IP address or host name of the PCD"));
    m_chPort = lineEdit(QStringLiteral("txbChannelPort"), QStringLiteral("UDP port, usually 5050"));
    m_chDevice = lineEdit(
        QStringLiteral("txbChannelDevice"), QStringLiteral("Serial device (/dev/ttyUSB0) or COMn"));
    m_chBaud = combo(QStringLiteral("cmbChannelBaud"),
        QStringLiteral("Baud rate of the serial line"), m_frameChannel);
    m_chBaud->addItems({ QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
        QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("57600"),
        QStringLiteral("115200") });
    m_chStation
        = lineEdit(QStringLiteral("txbChannelStation"), QStringLiteral("S-Bus station, 0 to 255"));
    ch->addRow(QStringLiteral("Address:"), m_chAddress);
    ch->addRow(QStringLiteral("UDP port:"), m_chPort);
    ch->addRow(QStringLiteral("Device:"), m_chDevice);
    ch->addRow(QStringLiteral("Baud rate:"), m_chBaud);
    ch->addRow(QStringLiteral("Station:"), m_chStation);

    connect(m_optUdp, &QRadioButton::clicked, this, &SettingsTab::channelLeft);
    connect(m_optSerial, &QRadioButton::clicked, this, &SettingsTab::channelLeft);
    connect(m_chBaud, &QComboBox::activated, this, &SettingsTab::channelLeft);
    for (QLineEdit *e : { m_chAddress, m_chPort, m_chDevice, m_chStation }) {
        addLeaveCheck(e, [this](const QString &) {
            channelLeft();
            return true;
        });
    }
}

void SettingsTab::buildBufferFrame()
{
    m_frameBuffer = new QGroupBox(QStringLiteral("Buffer"), this);
    m_frameBuffer->setObjectName(QStringLiteral("FrameBuffer"));
    auto *buf = new QFormLayout(m_frameBuffer);
    m_lblBufferType = label(QStringLiteral("lblBufferType"), QString(), m_frameBuffer);
    QFont bold = m_lblBufferType->font();
    bold.setBold(true);
    m_lblBufferType->setFont(bold);
    m_lblStartReg
        = label(QStringLiteral("lblStartReg"), QStringLiteral("Start Register:"), m_frameBuffer);
    m_startReg = lineEdit(QStringLiteral("txbStartSet"),
        QStringLiteral("Handshake start register of the standard buffer, 0 to 16383"));
    m_readInt = lineEdit(QStringLiteral("txbReadInt"),
        QStringLiteral("Seconds between two reads of the buffer, 0.1 to 60"));
    buf->addRow(m_lblBufferType);
    buf->addRow(m_lblStartReg, m_startReg);
    buf->addRow(QStringLiteral("Read interval [s]:"), m_readInt);

    addLeaveCheck(m_startReg,
        [this](const QString &t) { return !m_startReg->isEnabled() || m_page.startRegLeft(t); });
    addLeaveCheck(m_readInt, [this](const QString &t) { return m_page.readIntervalLeft(t); });
}

QGroupBox *SettingsTab::buildViewerFrame()
{
    auto *display = new QGroupBox(QStringLiteral("Viewer"), this);
    display->setObjectName(QStringLiteral("FrameViewer"));
    auto *disp = new QFormLayout(display);
    m_gridLines = lineEdit(
        QStringLiteral("Grid_lines"), QStringLiteral("Records kept in the grid, 20 to 5000"));
    m_graphLines = lineEdit(
        QStringLiteral("Graph_lines"), QStringLiteral("Records shown in the graph, 20 to 1000"));
    disp->addRow(QStringLiteral("Records in grid:"), m_gridLines);
    disp->addRow(QStringLiteral("Records in graph:"), m_graphLines);

    addLeaveCheck(m_gridLines, [this](const QString &t) { return m_page.gridLinesLeft(t); });
    addLeaveCheck(m_graphLines, [this](const QString &t) { return m_page.graphLinesLeft(t); });
    return display;
}

QGroupBox *SettingsTab::buildExportFrame()
{
    auto *exportBox = new QGroupBox(QStringLiteral("Export"), this);
    exportBox->setObjectName(QStringLiteral("FrameExport"));
    auto *exp = new QVBoxLayout(exportBox);
    auto *fileRow = new QHBoxLayout;
    auto *lblExcel
        = label(QStringLiteral("lblExcelFile"), QStringLiteral("Export file:"), exportBox);
    m_excelFile = lineEdit(QStringLiteral("txbExcelFile"),
        QStringLiteral("Spreadsheet file of the export, relative to the project folder"));
    m_cmdExcelFile = new QPushButton(QStringLiteral("..."), exportBox);
    m_cmdExcelFile->setObjectName(QStringLiteral("cmdExcelFile"));
    m_cmdExcelFile->setToolTip(QStringLiteral("Choose the export file"));
    m_cmdExcelFile->setFixedWidth(36);
    fileRow->addWidget(lblExcel);
    fileRow->addWidget(m_excelFile, 1);
    fileRow->addWidget(m_cmdExcelFile);
    exp->addLayout(fileRow);
    m_exportFull
        = new QCheckBox(QStringLiteral("Export automatically when the grid is full"), exportBox);
    m_exportFull->setObjectName(QStringLiteral("ckbExportFull"));
    m_journal = new QCheckBox(
        QStringLiteral("Keep a journal of every row beside the project (survives a crash)"),
        exportBox);
    m_journal->setObjectName(QStringLiteral("ckbJournal"));
    m_optReplace = new QRadioButton(QStringLiteral("Replace the file"), exportBox);
    m_optReplace->setObjectName(QStringLiteral("optReplaceFile"));
    m_optIndex = new QRadioButton(QStringLiteral("Indexed file name"), exportBox);
    m_optIndex->setObjectName(QStringLiteral("optIndexFile"));
    m_optIndexSN = new QRadioButton(QStringLiteral("Indexed with serial number"), exportBox);
    m_optIndexSN->setObjectName(QStringLiteral("optIndexSNFile"));
    auto *naming = new QButtonGroup(this);
    naming->addButton(m_optReplace, 0);
    naming->addButton(m_optIndex, 1);
    naming->addButton(m_optIndexSN, 2);
    exp->addWidget(m_exportFull);
    exp->addWidget(m_optReplace);
    exp->addWidget(m_optIndex);
    exp->addWidget(m_optIndexSN);
    exp->addWidget(m_journal);

    connect(
        m_exportFull, &QCheckBox::clicked, this, [this](bool on) { m_page.exportFullToggled(on); });
    connect(m_journal, &QCheckBox::clicked, this, [this](bool on) { m_page.journalToggled(on); });
    connect(naming, &QButtonGroup::idClicked, this, [this](int id) { m_page.indexFileChosen(id); });
    connect(m_excelFile, &QLineEdit::editingFinished, this,
        [this] { m_page.excelFileValidated(m_excelFile->text()); });
    connect(m_cmdExcelFile, &QPushButton::clicked, this, [this] { m_page.browseExcelFile(); });
    return exportBox;
}

QGroupBox *SettingsTab::buildPg5Frame()
{
    auto *pg5 = new QGroupBox(QStringLiteral("SAIA PG5"), this);
    pg5->setObjectName(QStringLiteral("FramePG5"));
    auto *pg5Row = new QHBoxLayout(pg5);
    m_pg5Global
        = lineEdit(QStringLiteral("txbPG5Global"), QStringLiteral("PG5Global.ini of PG5 2.x"));
    m_pg5Global->setReadOnly(true);
    auto *cmdPg5 = new QPushButton(QStringLiteral("..."), pg5);
    cmdPg5->setObjectName(QStringLiteral("cmdPG5Global"));
    cmdPg5->setToolTip(QStringLiteral("Choose the PG5Global.ini file"));
    cmdPg5->setFixedWidth(36);
    pg5Row->addWidget(new QLabel(QStringLiteral("PG5Global.ini:"), pg5));
    pg5Row->addWidget(m_pg5Global, 1);
    pg5Row->addWidget(cmdPg5);

    connect(cmdPg5, &QPushButton::clicked, this, [this] { m_page.browsePg5Global(); });
    return pg5;
}

QLineEdit *SettingsTab::lineEdit(const QString &name, const QString &tip)
{
    auto *e = new QLineEdit(this);
    e->setObjectName(name);
    e->setToolTip(tip);
    return e;
}

void SettingsTab::addLeaveCheck(QLineEdit *edit, std::function<bool(const QString &)> check)
{
    m_checks.insert(edit, std::move(check));
    edit->installEventFilter(this);
}

bool SettingsTab::leave(QLineEdit *edit)
{
    const auto check = m_checks.value(edit);
    if (!check || m_checking)
        return true;
    m_checking = true;
    const bool ok = check(edit->text());
    m_checking = false;
    if (!ok) {
        // The entry keeps the focus until it is right.
        QTimer::singleShot(0, edit, [edit] {
            edit->setFocus();
            edit->selectAll();
        });
    }
    return ok;
}

bool SettingsTab::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        auto *edit = qobject_cast<QLineEdit *>(watched);
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // A message box taking the focus is not the user leaving the field.
        if (edit && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            leave(edit);
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsTab::channelLeft()
{
    GoOnlineChannel c;
    c.serial = m_optSerial->isChecked();
    c.address = m_chAddress->text().trimmed();
    c.port = m_chPort->text().trimmed().toInt();
    c.device = m_chDevice->text().trimmed();
    c.baudrate = m_chBaud->currentText().toInt();
    bool ok = false;
    c.station = m_chStation->text().trimmed().toInt(&ok);
    if (!ok)
        c.station = -1;
    if (c == m_page.view().channel)
        return;
    if (!m_page.channelEdited(c))
        showView();
    else
        showView();
}

void SettingsTab::showView()
{
    const SettingsPage::View &v = m_page.view();
    QStringList dllTexts;
    for (const auto &e : v.dllEntries)
        dllTexts.append(e.text);
    setComboItems(m_dll, dllTexts, v.dllIndex);
    m_lblDLL->setVisible(v.dllVisible);
    m_dll->setVisible(v.dllVisible);
    for (QWidget *w : std::initializer_list<QWidget *> { m_lblPort, m_port, m_lblProtocol,
             m_protocol, m_lblBaud, m_baud, m_lblStation, m_station })
        w->setVisible(v.driverFieldsVisible);
    m_frameChannel->setVisible(v.channelVisible);
    setComboItems(m_port, v.ports, v.portIndex);
    setComboItems(m_protocol, v.protocols, v.protocolIndex);
    setComboItems(m_baud, v.baudrates, v.baudIndex);
    setText(m_station, v.station);
    setText(m_startReg, v.startReg);
    m_autoConnect->setChecked(v.autoConnect);
    setText(m_readInt, v.readInterval);
    setText(m_gridLines, v.gridLines);
    setText(m_graphLines, v.graphLines);
    m_exportFull->setChecked(v.exportFull);
    m_journal->setChecked(v.journal);
    (v.indexFile == 0          ? m_optReplace
            : v.indexFile == 1 ? m_optIndex
                               : m_optIndexSN)
        ->setChecked(true);
    setText(m_excelFile, v.excelFile);
    setText(m_pg5Global, v.pg5Global);

    const GoOnlineChannel &c = v.channel;
    (c.serial ? m_optSerial : m_optUdp)->setChecked(true);
    setText(m_chAddress, c.address);
    setText(m_chPort, QString::number(c.port));
    setText(m_chDevice, c.device);
    {
        const QSignalBlocker block(m_chBaud);
        const int i = m_chBaud->findText(QString::number(c.baudrate));
        if (i < 0)
            m_chBaud->addItem(QString::number(c.baudrate));
        m_chBaud->setCurrentText(QString::number(c.baudrate));
    }
    setText(m_chStation, QString::number(c.station));
    m_chAddress->setEnabled(!c.serial);
    m_chPort->setEnabled(!c.serial);
    m_chDevice->setEnabled(c.serial);
    m_chBaud->setEnabled(c.serial);
}

void SettingsTab::applySetup(const BufferTypeSetup &setup)
{
    m_lblBufferType->setText(setup.typeLabel);
    m_lblStartReg->setVisible(setup.startRegVisible);
    m_startReg->setVisible(setup.startRegVisible);
    if (setup.startRegVisible)
        setText(m_startReg, setup.startRegText);
}

void SettingsTab::setFramesEnabled(bool enabled)
{
    m_frameConnection->setEnabled(enabled);
    m_frameBuffer->setEnabled(enabled);
}

bool SettingsTab::takePendingEdit()
{
    auto *edit = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    if (!edit || !isAncestorOf(edit))
        return true;
    return leave(edit);
}

bool SettingsTab::save()
{
    // A field being edited is checked first, as leaving it would.
    if (auto *edit = qobject_cast<QLineEdit *>(focusWidget())) {
        if (!leave(edit))
            return false;
    }
    return m_page.save();
}

} // namespace tlv::app
