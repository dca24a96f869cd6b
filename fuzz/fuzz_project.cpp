// Trace project files (.tlvr): the project reader, the viewer's user-buffer
// loader, and compile.
//
// Property: a source that compile reports successful is read by the simulated
// PCD's source reader.

#include "FuzzSupport.h"

#include "buffer/BufferCommands.h"
#include "buffer/EditorFields.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "pcdsim/trace/TraceSource.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/files/FileTextSources.h"
#include "viewer/files/UserBufferLoader.h"

using namespace tlv;

namespace {

// Fields that break the generated call they are pasted into: known, refused at
// compile by a fix of its own. Inputs holding them skip the property.
bool breaksGeneratedCall(const QString &text, bool required)
{
    if (required && text.trimmed().isEmpty())
        return true;
    for (const QChar c : text) {
        if (c == u'\'' || c == u'"' || c == u',' || c == u'(' || c == u')' || c == u';'
            || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

bool knownCompileHole(const buffer::UserColumns &columns)
{
    if (breaksGeneratedCall(columns.headerKey(), true)
        || breaksGeneratedCall(columns.startReg(), true)
        || breaksGeneratedCall(columns.recordEnable(), false)
        || breaksGeneratedCall(columns.recordCommand(), false)
        || breaksGeneratedCall(columns.clearBuf(), false)
        || breaksGeneratedCall(columns.closeTlv(), false)
        || breaksGeneratedCall(columns.serialNr(), false))
        return true;
    for (const buffer::UserColumn &column : columns) {
        if (breaksGeneratedCall(column.Variable, true))
            return true;
    }
    return false;
}

void compileAndRead(const QString &path)
{
    buffer::UserColumns columns;
    buffer::TraceProject project(columns);
    project.setPath(path);
    if (!project.readProject() || !project.bufferWarnings().isEmpty())
        return;
    // A buffer without columns compiles to a record of length 0 by design; the
    // simulated PCD keeps no such ring.
    const bool skipProperty = knownCompileHole(columns) || columns.count() == 0;

    buffer::EditorFields fields = buffer::EditorFields::fromModel(columns);
    const buffer::cFormats formats = buffer::cFormats::standard();
    tlv::fuzz::SilentPrompter prompter;
    buffer::BufferCommands commands(project, formats, prompter);
    QFile::remove(project.sourcePath());
    if (!commands.compile(fields, false) || skipProperty)
        return;
    const QByteArray source = tlv::fuzz::readFile(project.sourcePath());
    if (source.isEmpty())
        return; // a standard buffer's source is emptied, not generated
    pcdsim::TraceSource trace;
    QString error;
    if (!trace.parseFile(project.sourcePath(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        tlv::fuzz::propertyFailed("compile wrote a source the simulated PCD cannot read");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tlv::fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = tlv::fuzz::scratch() + QStringLiteral("/fuzz.tlvr");
    tlv::fuzz::writeFile(path, bytes);

    // The viewer's side: the buffer as the control loads it, with and without simulation.
    for (const bool simulation : { false, true }) {
        tlv::fuzz::SilentPrompter prompter;
        viewer::FileTextSources texts(&prompter);
        viewer::UserBufferLoader loader(&texts);
        viewer::UserBufferRequest request;
        request.UserFile = path;
        request.HeaderKey = QStringLiteral("DEMO");
        request.compareHeaderKey = !simulation;
        request.Simulation = simulation;
        viewer::ColumnTable table;
        viewer::UserBufferInfo info;
        (void)loader.load(request, table, info);
    }

    // The editor's side: read, compile (which also rewrites the file), read the source.
    compileAndRead(path);
    return 0;
}
