#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::app {

// What start-up learnt about this run: the project, PG5's version and where
// the run came from. Lives for the process; the settings page and the
// hosting read and change parts of it.
struct StartState
{
    QString commandLine; // as started, parsed again after simulation
    QString workingFolder; // as started: where a relative start file lies
    QString startFile; // the trace project file
    QString projectFolder; // trailing separator, or empty
    QString symbolFile;
    QString sourceFile;
    bool startedFromPg5 = false;
    bool startFileGiven = false;
    qint32 versionCode = 0; // 14..21, 0 when none
    qint32 fullVersion = 0;
    bool cptRun = false; // "-cpt": ends without the save question
    QString pg5GlobalShown; // the settings page's PG5Global.ini box
};

} // namespace tlv::app
