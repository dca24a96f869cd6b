#pragma once

#include "app/core/AppFolders.h"
#include "comm/ConnectionView.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toUtf8().replace("\r", "\\r").replace("\n", "\\n").constData() << '"';
}

namespace tlv::app::test {

// A program folder, common data, common documents and a project folder in one temporary tree.
struct Sandbox
{
    QTemporaryDir dir;
    AppFolders folders;

    Sandbox()
    {
        const QString root = dir.path() + u'/';
        for (const char *sub : { "program", "appdata", "users/Public/Documents", "project" })
            QDir().mkpath(root + QLatin1String(sub));
        folders.programFolder = root + u"program/";
        folders.commonAppData = root + u"appdata/";
        folders.commonDataFolder = folders.commonAppData + u"Varnok/Tolvane/";
        folders.commonDocuments = root + u"users/Public/Documents/";
    }
    [[nodiscard]] QString path(const QString &relative) const
    {
        return dir.path() + u'/' + relative;
    }
    [[nodiscard]] QString project(const QString &name) const { return path(u"project/" + name); }
    static bool write(const QString &file, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Records what the connection and the read serving show.
class RecordingView : public comm::ConnectionView
{
public:
    QString panel1, panel2, frameCaption, startText, runText, stopText;
    bool startEnabled = false, runEnabled = false, stopEnabled = false, connectShown = true;
    bool abortEnabled = false;
    int progressMax = 0, progressValue = 0;

    void setStatusPanel(int panel, const QString &text) override
    {
        (panel == 1 ? panel1 : panel2) = text;
    }
    void ButtonConnect(bool connect) override { connectShown = connect; }
    void ButtonsStart(const QString &sta, bool staEn, const QString &run, bool runEn,
        const QString &sto, bool stoEn, qint16) override
    {
        if (!sta.isEmpty())
            startText = sta;
        if (!run.isEmpty())
            runText = run;
        if (!sto.isEmpty())
            stopText = sto;
        startEnabled = staEn;
        runEnabled = runEn;
        stopEnabled = stoEn;
    }
    void setRunCaption(const QString &caption) override { runText = caption; }
    void setConnectionFrame(const QString &caption, quint32) override { frameCaption = caption; }
    void setProgressRange(int, int maximum) override { progressMax = maximum; }
    void setProgressValue(int value) override { progressValue = value; }
    void setAbortEnabled(bool enabled) override { abortEnabled = enabled; }
    void beep() override { }
};

} // namespace tlv::app::test
