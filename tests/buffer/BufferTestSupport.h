#pragma once

#include "tests/TestSupport.h"

#include "buffer/BufferCommands.h"
#include "buffer/BufferType.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "common/PromptMessage.h"
#include "tests/support/ScriptedPrompter.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <csignal>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace tlv::buffer::test {

inline QString fixture(const QString &name)
{
    return QStringLiteral(TOLVANE_TEST_DATA "/buffer/") + name;
}

// The buffer commands as the editor runs them: what they have to say goes to the prompter.
struct ToldCommands : BufferCommands
{
    ToldCommands(TraceProject &project, const cFormats &formats, common::Prompter &prompter)
        : BufferCommands(project, formats)
        , prompter(prompter)
    { }
    bool save(EditorFields &fields, bool withSettings = true)
    {
        return told(BufferCommands::save(fields, withSettings));
    }
    bool compile(EditorFields &fields, bool withSettings = true)
    {
        return told(BufferCommands::compile(fields, withSettings));
    }
    bool told(const Outcome &outcome)
    {
        common::tell(prompter, outcome.messages);
        return outcome.ok;
    }
    common::Prompter &prompter;
};

// An empty configured buffer in a project of its own folder.
struct NewProject
{
    NewProject()
    {
        project.setPath(dir.filePath(QStringLiteral("plant.tlvr")));
        project.setBufferType(BufferType::Configured);
        buffer.applyNewBufferDefaults();
    }

    QTemporaryDir dir;
    UserColumns buffer;
    TraceProject project { buffer };
    const cFormats formats = cFormats::standard();
    common::ScriptedPrompter prompter;
};

// The same with one column, and what the editor shows of it.
class ProjectTest : public ::testing::Test, public NewProject
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        buffer.setStartReg(QStringLiteral("1000"));
        buffer.add(QStringLiteral("Level"), QStringLiteral("R 120"), 0, QStringLiteral("Long"), 0,
            QStringLiteral("%d"), 1000, 5);
        fields = EditorFields::fromModel(buffer);
    }

    EditorFields fields;
};

// While it lives, files may grow to at most the given size, as on a disk that is full: a write
// past it fails (EFBIG) and, with SIGXFSZ ignored, does not end the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_saved {};
    void (*m_handler)(int) = nullptr;
};

using tlv::test::readBytes;
using tlv::test::writeBytes;

// The lines of a text without the first one (the date line of a generated source).
inline QByteArray withoutFirstLine(const QByteArray &bytes)
{
    const qsizetype eol = bytes.indexOf('\n');
    return eol < 0 ? QByteArray() : bytes.mid(eol + 1);
}

// Every property of a buffer in one text, so a difference shows which one.
inline QString describe(const UserColumns &b)
{
    const auto n = [](qint64 v) { return QString::number(v); };
    QString s = u"en=" + n(b.enable()) + u" title=" + b.title() + u" key=" + b.headerKey()
        + u" type=" + n(b.headerType()) + u" start=" + b.startReg() + u" int=" + n(b.recordInt())
        + u" len=" + n(b.recordLen()) + u" records=" + n(b.bufferLen()) + u" column="
        + n(b.column()) + u" enable=" + b.recordEnable() + u" command=" + b.recordCommand()
        + u" clear=" + b.clearBuf() + u" close=" + b.closeTlv() + u" serial=" + b.serialNr()
        + u" change=" + n(b.recordChange()) + u" mem=" + n(b.memory()) + u" changed="
        + n(b.changed());
    for (const UserColumn &c : b)
        s += u" | " + c.Title + u',' + c.Variable + u',' + n(c.RecPlace) + u',' + c.DataType + u','
            + n(c.DataPos) + u',' + c.Format + u',' + n(c.Width) + u',' + n(c.Delta);
    return s;
}

} // namespace tlv::buffer::test
