#pragma once

#include <QList>
#include <QVariant>
#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {

class BufferLoader;
class ControlCore;
class DialogPrompter;
class FileBufferLoader;
class GraphView;
class GridView;
class PropertyStore;
class WidgetSeams;

// The trace viewer control. A host sets its properties, answers ReadPCDReg and
// ReadPCDDB inside the event by assigning DataBlock, and the control reads,
// decodes and shows the PCD trace buffer in its grid and graph.
class Tolvane : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ controlEnabled WRITE setControlEnabled)
    Q_PROPERTY(QString ResourcePath READ resourcePath WRITE setResourcePath)
    Q_PROPERTY(QString ProjectPath READ projectPath WRITE setProjectPath)
    Q_PROPERTY(QString UserFile READ userFile WRITE setUserFile)
    Q_PROPERTY(QString SymbFile READ symbFile WRITE setSymbFile)
    Q_PROPERTY(qint32 Interval READ interval WRITE setInterval)
    Q_PROPERTY(qint16 RunMode READ runMode WRITE setRunMode)
    Q_PROPERTY(bool Simulation READ simulation WRITE setSimulation)
    Q_PROPERTY(qint16 DisplayMode READ displayMode WRITE setDisplayMode)
    Q_PROPERTY(QString GridFontName READ gridFontName WRITE setGridFontName)
    Q_PROPERTY(QString GridFontSize READ gridFontSize WRITE setGridFontSize)
    Q_PROPERTY(bool DateStampCol READ dateStampCol WRITE setDateStampCol)
    Q_PROPERTY(bool TimeStampCol READ timeStampCol WRITE setTimeStampCol)
    Q_PROPERTY(bool PCDStatusCol READ pcdStatusCol WRITE setPcdStatusCol)
    Q_PROPERTY(qint32 PCDStatus READ pcdStatus WRITE setPcdStatus)
    Q_PROPERTY(qint16 StartRegister READ startRegister WRITE setStartRegister)
    Q_PROPERTY(qint32 MaxRows READ maxRows WRITE setMaxRows)
    Q_PROPERTY(qint32 MaxGraph READ maxGraph WRITE setMaxGraph)
    Q_PROPERTY(QString ExportFile READ exportFile WRITE setExportFile)
    Q_PROPERTY(bool AutoExport READ autoExport WRITE setAutoExport)
    Q_PROPERTY(qint16 IndexFile READ indexFile WRITE setIndexFile)
    Q_PROPERTY(QString SelColumn READ selColumn WRITE setSelColumn)
    Q_PROPERTY(QString HeaderKey READ headerKey)
    Q_PROPERTY(qint16 HeaderVersion READ headerVersion)
    Q_PROPERTY(qint16 BufferLen READ bufferLen)
    Q_PROPERTY(qint16 RecordLen READ recordLen)
    Q_PROPERTY(qint16 RecordNumber READ recordNumber)
    Q_PROPERTY(qint32 RecordCount READ recordCount)
    // Write-only: reading it gives an empty variant.
    Q_PROPERTY(QVariant DataBlock READ dataBlock WRITE setDataBlock)

public:
    // Without a prompter the control shows its own message boxes and dialogs.
    explicit Tolvane(QWidget *parent = nullptr, common::Prompter *prompter = nullptr);
    ~Tolvane() override;

    [[nodiscard]] ControlCore &core() { return *m_core; }
    [[nodiscard]] WidgetSeams &seams() { return *m_seams; }
    [[nodiscard]] GridView *grid() const { return m_grid; }
    [[nodiscard]] GraphView *graph() const { return m_graph; }
    // Replaces the description and user-buffer loader (null: the file loader).
    void setLoader(BufferLoader *loader);
    // The folder searched for text files after the project folder.
    void setLibraryFolder(const QString &folder);

    // --- properties ---
    [[nodiscard]] bool controlEnabled() const;
    void setControlEnabled(bool enabled);
    [[nodiscard]] QString resourcePath() const;
    void setResourcePath(const QString &path);
    [[nodiscard]] QString projectPath() const;
    void setProjectPath(const QString &path);
    [[nodiscard]] QString userFile() const;
    void setUserFile(const QString &file);
    [[nodiscard]] QString symbFile() const;
    void setSymbFile(const QString &file);
    [[nodiscard]] qint32 interval() const;
    void setInterval(qint32 ms);
    [[nodiscard]] qint16 runMode() const;
    void setRunMode(qint16 mode);
    [[nodiscard]] bool simulation() const;
    void setSimulation(bool on);
    [[nodiscard]] qint16 displayMode() const;
    void setDisplayMode(qint16 mode);
    [[nodiscard]] QString gridFontName() const;
    void setGridFontName(const QString &name);
    [[nodiscard]] QString gridFontSize() const;
    void setGridFontSize(const QString &size);
    [[nodiscard]] bool dateStampCol() const;
    void setDateStampCol(bool on);
    [[nodiscard]] bool timeStampCol() const;
    void setTimeStampCol(bool on);
    [[nodiscard]] bool pcdStatusCol() const;
    void setPcdStatusCol(bool on);
    [[nodiscard]] qint32 pcdStatus() const;
    void setPcdStatus(qint32 status);
    [[nodiscard]] qint16 startRegister() const;
    void setStartRegister(qint16 reg);
    [[nodiscard]] qint32 maxRows() const;
    void setMaxRows(qint32 rows);
    [[nodiscard]] qint32 maxGraph() const;
    void setMaxGraph(qint32 points);
    [[nodiscard]] QString exportFile() const;
    void setExportFile(const QString &file);
    [[nodiscard]] bool autoExport() const;
    void setAutoExport(bool on);
    [[nodiscard]] qint16 indexFile() const;
    void setIndexFile(qint16 mode);
    [[nodiscard]] QString selColumn() const;
    void setSelColumn(const QString &columns);

    [[nodiscard]] QString headerKey() const;
    [[nodiscard]] qint16 headerVersion() const;
    [[nodiscard]] qint16 bufferLen() const;
    [[nodiscard]] qint16 recordLen() const;
    [[nodiscard]] qint16 recordNumber() const;
    [[nodiscard]] qint32 recordCount() const;

    [[nodiscard]] QVariant dataBlock() const { return {}; }
    void setDataBlock(const QVariant &values);
    void setDataBlock(const QList<qint32> &values);

    // --- methods ---
    Q_INVOKABLE void Refresh();
    Q_INVOKABLE void Start();
    Q_INVOKABLE void Reset();
    Q_INVOKABLE void Clear();
    Q_INVOKABLE bool Crypt(const QString &FileName);

    // --- persistence through the host's store ---
    [[nodiscard]] bool propertiesChanged() const;
    void save(PropertyStore &store);
    void restore(const PropertyStore &store);

    // --- the buttons, for hosts and tests ---
    void toggleGraph();
    void exportByUser();
    void showInfo();

Q_SIGNALS:
    void Click();
    void DblClick();
    void Resize();
    void NewExportFile();
    void ReadPCDReg(qint16 RegisterNumber, qint16 NumberToRead);
    void ReadPCDDB(qint16 DBNumber, qint16 DBOffset, qint16 NumberToRead);
    void ModulError(qint16 ErrType, const QString &ErrMessage);
    void OutputLine(const QString &DataLine);
    void Status(qint16 ReadStatus);
    void PCDCmd(qint16 Cmd);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    void connectCore();
    void updateCounters();
    // Coloured texts made readable on the palette's window colour.
    void applyTextColours();
    void showGraph(bool shown);

    std::unique_ptr<DialogPrompter> m_ownPrompter;
    common::Prompter *m_prompter = nullptr;
    std::unique_ptr<ControlCore> m_core;
    std::unique_ptr<FileBufferLoader> m_fileLoader;
    std::unique_ptr<WidgetSeams> m_seams;

    QLabel *m_title = nullptr;
    QStackedWidget *m_pages = nullptr;
    GridView *m_grid = nullptr;
    GraphView *m_graph = nullptr;
    QPushButton *m_info = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_activity = nullptr;
    QLabel *m_recordLabel = nullptr;
    QLabel *m_recordCounter = nullptr;
    QLabel *m_rowLabel = nullptr;
    QLabel *m_rowCounter = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_graphButton = nullptr;
    QCheckBox *m_follow = nullptr;
    bool m_pressed = false;
};

} // namespace tlv::viewer
