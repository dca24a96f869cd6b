#include "app/cli/CliCommands.h"
#include "buffer/BufferCommands.h"
#include "buffer/EditorFields.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "common/Prompter.h"

#include <QFileInfo>

namespace tlv::app {

namespace {

// Keeps the messages so success goes to the output and failures to the error
// stream, after the command has finished.
class CollectingPrompter : public common::Prompter
{
public:
    Answer message(const QString &text, const QString &, Style, Buttons) override
    {
        QString t = text;
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        t.replace(u'\r', u'\n');
        while (t.endsWith(u'\n'))
            t.chop(1);
        messages << t;
        return Answer::Ok;
    }
    QString openFile(const FileRequest &) override { return {}; }
    QString saveFile(const FileRequest &) override { return {}; }

    QStringList messages;
};

class CompileCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("compile"); }
    QString arguments() const override { return QStringLiteral("PROJECT.tlvr"); }
    QString summary() const override
    {
        return QStringLiteral("check the stored user buffer and write the PCD source beside it");
    }

    int run(const QStringList &args, QTextStream &out, QTextStream &err) override
    {
        if (args.size() != 1)
            return usageError(err);
        const QString path = args.first();
        if (!QFileInfo(path).isFile()) {
            err << QStringLiteral("Cannot read the project file : ") << path << u'\n';
            return 1;
        }
        buffer::UserColumns userBuffer;
        buffer::TraceProject project(userBuffer);
        project.setPath(path);
        if (!project.readProject()) {
            err << QStringLiteral("Cannot read the project file : ") << path << u'\n'
                << project.errorString() << u'\n';
            return 1;
        }
        // A stored number that does not fit its field would be compiled as something else.
        if (!project.bufferWarnings().isEmpty()) {
            err << QStringLiteral("Invalid buffer value !\n")
                << project.bufferWarnings().join(u'\n') << u'\n';
            return 1;
        }

        buffer::EditorFields fields = buffer::EditorFields::fromModel(userBuffer);
        const buffer::cFormats formats = buffer::cFormats::standard();
        CollectingPrompter prompter;
        buffer::BufferCommands commands(project, formats);
        // The settings sections stay as they are: only the buffer and its source are compiled.
        const buffer::BufferCommands::Outcome outcome = commands.compile(fields, false);
        common::tell(prompter, outcome.messages);
        const bool ok = outcome.ok;
        QTextStream &stream = ok ? out : err;
        for (const QString &m : std::as_const(prompter.messages))
            stream << m << u'\n';
        return ok ? 0 : 1;
    }
};

} // namespace

TOLVANE_CLI_COMMAND(CompileCommand)

} // namespace tlv::app
