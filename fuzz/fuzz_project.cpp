// Trace project files (.tlvr): the project reader, the viewer's user-buffer
// loader, and compile.
//
// Property: a source that compile reports successful is read by the simulated
// PCD's source reader; the graph's view read from a project is written and read
// back as the same view.

#include "FuzzSupport.h"

#include "buffer/BufferCommands.h"
#include "buffer/EditorFields.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "pcdsim/trace/TraceSource.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/GraphViewState.h"
#include "viewer/files/FileTextSources.h"
#include "viewer/files/UserBufferLoader.h"

using namespace tlv;

namespace {

void compileAndRead(const QString &path)
{
    buffer::UserColumns columns;
    buffer::TraceProject project(columns);
    project.setPath(path);
    // Values out of range load as their defaults, so a project with warnings compiles too.
    if (!project.readProject())
        return;
    buffer::EditorFields fields = buffer::EditorFields::fromModel(columns);
    const buffer::cFormats formats = buffer::cFormats::standard();
    buffer::BufferCommands commands(project, formats);
    QFile::remove(project.sourcePath());
    if (!commands.compile(fields, false))
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
        viewer::FileTextSources texts(common::PromptSeam::through(&prompter));
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

    // The graph's view kept in the project.
    if (const auto view = viewer::GraphViewState::read(path)) {
        const QString copy = tlv::fuzz::scratch() + QStringLiteral("/view.tlvr");
        QFile::remove(copy);
        if (!view->write(copy) || viewer::GraphViewState::read(copy) != view)
            tlv::fuzz::propertyFailed("a graph view does not read back as it was written");
    }

    // The editor's side: read, compile (which also rewrites the file), read the source.
    compileAndRead(path);
    return 0;
}
