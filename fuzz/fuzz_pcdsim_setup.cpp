// The simulated PCD's set-up lines (memory, trace, standard, events, wave, at)
// and, with set-up mode 1, a generated source as its trace reader takes it.
//
// Input: one mode byte, then the text. Mode bit 0 clear: set-up lines, applied
// in a folder holding the demo buffer's source, a description and a symbol file.
// Set: the text is a generated source (.tlvs) run by "trace fuzz.tlvs".
// Either way the PCD then runs a few cycles.

#include "FuzzSupport.h"

#include "buffer/BufferCommands.h"
#include "buffer/EditorFields.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "pcdsim/PcdSetup.h"
#include "pcdsim/SimulatedPcd.h"
#include "pcdsim/trace/TraceSetup.h"

#include <QRegularExpression>

using namespace tlv;

namespace {

// "at MS burst N" writes N records in one cycle, as asked: a long burst is a
// slow set-up, not a fault. Inputs asking for more are passed over.
bool asksLongBurst(const QStringList &lines)
{
    static const QRegularExpression burst(
        QStringLiteral("burst\\s+(\\S+)"), QRegularExpression::CaseInsensitiveOption);
    for (const QString &line : lines) {
        QRegularExpressionMatchIterator it = burst.globalMatch(line);
        while (it.hasNext()) {
            bool ok = false;
            const qint64 n = it.next().captured(1).toLongLong(&ok, 0);
            if (!ok || n > 10000)
                return true;
        }
    }
    return false;
}

void compileDemo(const QString &folder)
{
    tlv::fuzz::copyFile(
        tlv::fuzz::sourceFile("demo/demo.tlvr"), folder + QStringLiteral("/demo.tlvr"));
    buffer::UserColumns columns;
    buffer::TraceProject project(columns);
    project.setPath(folder + QStringLiteral("/demo.tlvr"));
    const buffer::cFormats formats = buffer::cFormats::standard();
    buffer::BufferCommands commands(project, formats);
    buffer::EditorFields fields;
    if (!project.readProject()
        || !(fields = buffer::EditorFields::fromModel(columns), commands.compile(fields, false)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tlv::fuzz::ensureApplication();
    const QString folder = tlv::fuzz::scratch();
    compileDemo(folder);
    tlv::fuzz::copyFile(
        tlv::fuzz::sourceFile("demo/BOIL.tlvd"), folder + QStringLiteral("/BOIL.tlvd"));
    tlv::fuzz::copyFile(tlv::fuzz::sourceFile("tests/data/descriptions/_Global.sy5"),
        folder + QStringLiteral("/_Global.sy5"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tlv::fuzz::Input input(data, size);
    const bool sourceGiven = input.byte() & 1;
    const QByteArray text = input.rest();
    const QString folder = tlv::fuzz::scratch();

    QStringList lines;
    if (sourceGiven) {
        tlv::fuzz::writeFile(folder + QStringLiteral("/fuzz.tlvs"), text);
        lines << QStringLiteral("trace fuzz.tlvs");
    } else {
        lines = QString::fromUtf8(text).split(u'\n');
        if (asksLongBurst(lines))
            return 0;
    }

    pcdsim::SimulatedPcd pcd;
    QStringList memoryLines;
    QStringList traceLines;
    for (const QString &line : std::as_const(lines))
        (pcdsim::TraceSetup::handles(line) ? traceLines : memoryLines).append(line);
    QString error;
    if (!pcdsim::PcdSetup::applyLines(memoryLines, &pcd, &error))
        return 0;
    auto setup = std::make_shared<pcdsim::TraceSetup>();
    if (!setup->applyLines(traceLines, pcd, folder, &memoryLines, &error))
        return 0;
    setup->install(pcd, setup);
    for (const qint64 step : { 0, 100, 1000, 60000 })
        pcd.runCycle(step);
    return 0;
}
