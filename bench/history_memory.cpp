// Peak resident memory of the program's window holding a recording of a million rows open
// and paged from its newest row back to its first, the way scrolling up the grid pages.
// Makes the journal once (8 columns) beside the program or at the path given. Prints
// "rows N pages P seconds S peak KB"; with --shots FOLDER it leaves pictures of the window
// at the newest and the first row, on a dark desktop at the smallest size.
#include "BenchSupport.h"

#include "app/core/AppFolders.h"
#include "app/window/frmTolvane.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "tests/support/ScriptedPrompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/widgets/GridView.h"
#include "viewer/widgets/Tolvane.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace tlv;

namespace {

constexpr qint64 Rows = 1000000;
constexpr int Columns = 8;
constexpr qint64 BaseMs = 1796551200000; // 2026-12-06 10:00:00 UTC

bool holdsAll(const QString &path)
{
    journal::JournalReader reader;
    journal::JournalInfo info;
    return reader.open(path) && reader.info(&info) && info.rows == Rows;
}

// Made in a process of its own: the writer's memory must not count for the window.
bool makeJournal(const QString &path)
{
    QFile::remove(path);
    journal::JournalWriter writer;
    if (!writer.open(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(writer.errorString()));
        return false;
    }
    journal::JournalBuffer buffer;
    buffer.title = QStringLiteral("History");
    buffer.headerKey = QStringLiteral("hist");
    for (int c = 0; c < Columns; ++c)
        buffer.columns.append({ c, QStringLiteral("W%1").arg(c), 900, 4, QStringLiteral("d") });
    writer.setBuffer(buffer);
    for (qint64 id = 1; id <= Rows; ++id) {
        journal::JournalRow r;
        r.pcMillis = BaseMs + id * 100;
        r.recordNumber = id;
        r.status = QStringLiteral("Run");
        for (int c = 0; c < Columns; ++c) {
            const qint64 v = (id * (c + 1)) % 10007;
            r.cells.append(QString::number(v));
            r.numbers.append(double(v));
            r.rawValues.append(v);
        }
        writer.addRow(std::move(r));
        if (id % 20000 == 0 && !writer.flush())
            return false;
    }
    return writer.flush();
}

void shoot(QWidget &window, const QString &folder, const QString &name)
{
    if (!folder.isEmpty())
        window.grab().save(folder + u'/' + name + QStringLiteral(".png"));
}

QPalette darkDesktop()
{
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Window, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
    for (const auto role : { QPalette::Text, QPalette::WindowText, QPalette::ButtonText })
        dark.setColor(role, QColor(0xEF, 0xF0, 0xF1));
    return dark;
}

} // namespace

int main(int argc, char **argv)
{
    bench::startWatchdog(1200, "history_memory");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QString path;
    QString shots;
    QString make;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QStringLiteral("--shots") && i + 1 < argc)
            shots = QString::fromLocal8Bit(argv[++i]);
        else if (arg == QStringLiteral("--make") && i + 1 < argc)
            make = QString::fromLocal8Bit(argv[++i]);
        else
            path = arg;
    }
    if (!make.isEmpty()) {
        QCoreApplication app(argc, argv);
        return makeJournal(make) ? 0 : 1;
    }

    QApplication app(argc, argv);
    if (path.isEmpty())
        path = QCoreApplication::applicationDirPath() + QStringLiteral("/history-1m.journal.db");
    if (!holdsAll(path)) {
        std::printf("making %s\n", qPrintable(path));
        std::fflush(stdout);
        if (QProcess::execute(
                QCoreApplication::applicationFilePath(), { QStringLiteral("--make"), path })
            != 0)
            return 1;
    }
    QTemporaryDir dir;
    app::AppFolders folders;
    folders.programFolder = dir.path() + QStringLiteral("/program/");
    folders.commonAppData = dir.path() + QStringLiteral("/appdata/");
    folders.commonDataFolder = folders.commonAppData + QStringLiteral("Varnok/Tolvane/");
    folders.commonDocuments = dir.path() + QStringLiteral("/documents/");
    for (const QString &f :
        { folders.programFolder, folders.commonDataFolder, folders.commonDocuments })
        QDir().mkpath(f);
    common::ScriptedPrompter prompter;
    app::frmTolvane window(folders, &prompter);
    window.setPalette(darkDesktop());
    window.show();
    window.resize(window.minimumSize());
    viewer::ControlCore &core = window.control()->core();
    core.setMaxRows(5000);
    prompter.queueFile(path);
    window.findChild<QAction *>(QStringLiteral("m_openJournal"))->trigger();
    QCoreApplication::processEvents();
    auto *panel = window.findChild<QLabel *>(QStringLiteral("Panel3"));
    shoot(window, shots, QStringLiteral("history-newest-dark-smallest"));

    // Up the grid from the newest row to the first, a page at a time, each one drawn.
    viewer::GridView *grid = window.control()->grid();
    QElapsedTimer clock;
    clock.start();
    int pages = 0;
    while (!panel->text().startsWith(QStringLiteral("Rows 1 to "))) {
        const QString before = panel->text();
        // Ctrl+Home at the first row, as the user pages.
        grid->scrollToTop();
        grid->setCurrentIndex(grid->model()->index(0, 4));
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
        QCoreApplication::sendEvent(grid, &key);
        QCoreApplication::processEvents();
        grid->viewport()->repaint();
        if (panel->text() == before) {
            std::fprintf(stderr, "history_memory: stuck at %s\n", qPrintable(before));
            return 1;
        }
        ++pages;
    }
    const double seconds = clock.elapsed() / 1000.0;
    shoot(window, shots, QStringLiteral("history-first-dark-smallest"));
    window.resize(1100, 720);
    QCoreApplication::processEvents();
    shoot(window, shots, QStringLiteral("history-first-dark"));
    std::printf("rows %lld pages %d seconds %.1f shown \"%s\" peak %ld KB\n",
        static_cast<long long>(Rows), pages, seconds, qPrintable(panel->text()),
        bench::peakKilobytes());
    return prompter.messages().isEmpty() ? 0 : 1;
}
