#pragma once

#include "viewer/core/ControlProperties.h"

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
    TOLVANE_CONTROL_PROPERTIES(TOLVANE_Q_PROPERTY_READWRITE, TOLVANE_Q_PROPERTY_READONLY)
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
#define TOLVANE_DECLARE_READWRITE(type, Name, getter, setter)                                      \
    [[nodiscard]] type getter() const;                                                             \
    void setter(PropertyArgument<type> value);
#define TOLVANE_DECLARE_READONLY(type, Name, getter) [[nodiscard]] type getter() const;
    TOLVANE_CONTROL_PROPERTIES(TOLVANE_DECLARE_READWRITE, TOLVANE_DECLARE_READONLY)
#undef TOLVANE_DECLARE_READWRITE
#undef TOLVANE_DECLARE_READONLY

    [[nodiscard]] QVariant dataBlock() const
    {
        return {};
    }
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
    TOLVANE_SURFACE_EVENTS(TOLVANE_DECLARE_EVENT)
    TOLVANE_HOST_EVENTS(TOLVANE_DECLARE_EVENT)

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    void buildBar();
    void arrange();
    void connectViews();
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
