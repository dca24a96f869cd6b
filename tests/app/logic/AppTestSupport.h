#pragma once

#include "tests/TestSupport.h"

#include "app/core/AppFolders.h"
#include "buffer/BufferCommands.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

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
        return tlv::test::writeBytes(file, bytes);
    }
    static QByteArray read(const QString &file) { return tlv::test::readBytes(file); }
};

// A sandbox, a prompter, and a project with its buffer and commands: what the
// pages of the window work on.
struct ProjectParts
{
    Sandbox box;
    common::ScriptedPrompter prompter;
    buffer::UserColumns buffer;
    buffer::cFormats formats = buffer::cFormats::standard();
    buffer::TraceProject project { buffer };
    buffer::BufferCommands commands { project, formats };
};

} // namespace tlv::app::test
