// Trace project texts in memory: read, checked as compile checks, the source
// generated and read by the simulated PCD's source reader; no file is touched.
//
// Properties: a project that compile's checks accept gives a source the
// simulated PCD reads, with the model's layout; and the buffer as stored reads
// back to the same source.

#include "FuzzSupport.h"

#include "buffer/BufferStore.h"
#include "buffer/EditorFields.h"
#include "buffer/SourceGenerator.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "common/Cp1252.h"
#include "common/IniProfile.h"
#include "pcdsim/trace/TraceSource.h"

#include <QDateTime>

using namespace tlv;

namespace {

// Never created: a read that went to the disk would find nothing.
const QString ProjectPath = QStringLiteral("/nonexistent/tolvane-fuzz/fuzz.tlvr");

// The source compile would write, or "" when its checks refuse the buffer.
QByteArray compiled(buffer::TraceProject &project)
{
    static const buffer::cFormats formats = buffer::cFormats::standard();
    static const QDateTime when(QDate(2026, 12, 5), QTime(19, 20));
    buffer::EditorFields fields = buffer::EditorFields::fromModel(project.buffer());
    if (!buffer::BufferStore::check(fields, true, project, formats).ok)
        return {};
    return buffer::SourceGenerator::text(project.buffer(), when, QStringLiteral("31260"));
}

// The project file as writeSettings and writeUserBuffer leave it for this buffer.
QByteArray stored(buffer::TraceProject &project)
{
    project.buffer().setHeaderType(1);
    QStringList lines { QStringLiteral("[Tolvane]"), QStringLiteral("Version=2"),
        QStringLiteral("UserBuffer=") + QString::number(project.bufferType()),
        QStringLiteral("[USER_BUFFER]") };
    lines += project.userBufferLines();
    return common::toCp1252(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
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
    buffer::UserColumns columns;
    buffer::TraceProject project(columns);
    project.setPath(ProjectPath);
    if (!project.readProject(common::IniText(bytes)))
        return 0;
    const QByteArray source = compiled(project);
    if (source.isEmpty() || project.bufferType() == 0)
        return 0;

    pcdsim::TraceSource trace;
    QString error;
    if (!trace.parse(common::fromCp1252(source), &error)) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(error), source.constData());
        tlv::fuzz::propertyFailed("compile accepts a project whose source the PCD cannot read");
    }
    if (trace.records.size() != columns.count() || trace.recordLen != columns.recordLen()
        || trace.bufferLen != columns.bufferLen() || trace.memory != columns.memory())
        tlv::fuzz::propertyFailed("the source read back differs from the buffer");

    buffer::UserColumns again;
    buffer::TraceProject reread(again);
    reread.setPath(ProjectPath);
    if (!reread.readProject(common::IniText(stored(project))) || compiled(reread) != source) {
        std::fprintf(
            stderr, "%s\n----\n%s\n", stored(project).constData(), compiled(reread).constData());
        tlv::fuzz::propertyFailed("the stored buffer reads back to another source");
    }
    return 0;
}
