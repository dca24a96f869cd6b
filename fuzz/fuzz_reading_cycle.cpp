// The control's reading cycle on a real buffer, fed answers that a PCD or a
// broken link could give.
//
// A simulated PCD runs the demo project's buffer (mode bit 0 clear) or the
// standard BOIL buffer (set); the host answers each read request from its
// memory at once, and the input decides per answer whether it goes intact or
// with words replaced, cut short, lengthened or made up. Between answers the
// input ticks the read timer, lets the PCD run, changes the run mode or calls
// Start, Reset, Refresh and Clear.

#include "FuzzSupport.h"

#include "buffer/BufferCommands.h"
#include "buffer/EditorFields.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "pcdsim/PcdSetup.h"
#include "pcdsim/SimulatedPcd.h"
#include "pcdsim/trace/TraceSetup.h"
#include "viewer/core/ControlCore.h"
#include "viewer/files/FileBufferLoader.h"

using namespace tlv;

namespace {

QString folder()
{
    return tlv::fuzz::scratch();
}

void compileDemo()
{
    tlv::fuzz::copyFile(
        tlv::fuzz::sourceFile("demo/demo.tlvr"), folder() + QStringLiteral("/demo.tlvr"));
    buffer::UserColumns columns;
    buffer::TraceProject project(columns);
    project.setPath(folder() + QStringLiteral("/demo.tlvr"));
    tlv::fuzz::SilentPrompter prompter;
    const buffer::cFormats formats = buffer::cFormats::standard();
    buffer::BufferCommands commands(project, formats, prompter);
    if (!project.readProject())
        std::abort();
    buffer::EditorFields fields = buffer::EditorFields::fromModel(columns);
    if (!commands.compile(fields, false))
        std::abort();
}

class Host
{
public:
    Host(viewer::ControlCore &core, pcdsim::SimulatedPcd &pcd, tlv::fuzz::Input &input)
        : m_core(core)
        , m_pcd(pcd)
        , m_input(input)
    {
        QObject::connect(&core, &viewer::ControlCore::ReadPCDReg, [this](qint16 reg, qint16 n) {
            QList<qint32> words;
            for (int i = 0; i < n; ++i)
                words.append(m_pcd.registerValue(reg + i));
            answer(words);
        });
        QObject::connect(
            &core, &viewer::ControlCore::ReadPCDDB, [this](qint16 db, qint16 offset, qint16 n) {
                const QList<qint32> block = m_pcd.dataBlock(db);
                QList<qint32> words;
                for (int i = 0; i < n; ++i)
                    words.append(block.value(offset + i));
                answer(words);
            });
    }

private:
    void answer(QList<qint32> words)
    {
        // Requests answered at once start the next one in the same call chain;
        // a bound keeps a cycle that never settles from recursing without end.
        if (++m_answers > 2000)
            return;
        switch (m_input.atEnd() ? 0 : m_input.byte() % 10) {
        case 5:
            if (!words.isEmpty())
                words[m_input.byte() % words.size()] = qint32(m_input.u32());
            break;
        case 6:
            words = words.mid(0, m_input.byte() % (words.size() + 1));
            break;
        case 7:
            for (int n = m_input.byte() % 8; n > 0; --n)
                words.append(qint32(m_input.u32()));
            break;
        case 8:
            for (qint32 &w : words)
                w = qint32(m_input.u32());
            break;
        case 9:
            words.clear();
            break;
        default:
            break;
        }
        const viewer::ReadingCycle &cycle = m_core.cycle();
        // A counter block claiming a ring of millions of records is mended in the
        // reading cycle by a change of its own; keep the capacity word small here.
        if (cycle.lastRequestOffset() == cycle.reader().counterIndex && words.size() > 3
            && words[3] > 4096)
            words[3] %= 4097;
        m_core.setDataBlock(words);
    }

    viewer::ControlCore &m_core;
    pcdsim::SimulatedPcd &m_pcd;
    tlv::fuzz::Input &m_input;
    int m_answers = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tlv::fuzz::ensureApplication();
    compileDemo();
    tlv::fuzz::copyFile(
        tlv::fuzz::sourceFile("demo/BOIL.tlvd"), folder() + QStringLiteral("/BOIL.tlvd"));
    tlv::fuzz::copyFile(
        tlv::fuzz::sourceFile("demo/BOIL_texts.txt"), folder() + QStringLiteral("/BOIL_texts.txt"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tlv::fuzz::Input input(data, size);
    const bool standard = input.byte() & 1;

    pcdsim::SimulatedPcd pcd;
    auto setup = std::make_shared<pcdsim::TraceSetup>();
    QStringList lines { QStringLiteral("wave R 100 sine 150 650 20000"),
        QStringLiteral("wave R 101 ramp 0 100 3000"), QStringLiteral("wave F 10 square 0 1 700") };
    lines << (standard ? QStringLiteral("standard BOIL.tlvd start 3000 records 40 interval 200 "
                                        "source 100")
                       : QStringLiteral("trace demo.tlvs"));
    QStringList memoryLines;
    QString error;
    if (!setup->applyLines(lines, pcd, folder(), &memoryLines, &error)
        || !pcdsim::PcdSetup::applyLines(memoryLines, &pcd, &error))
        std::abort();
    setup->install(pcd, setup);
    pcd.runCycle(0);

    tlv::fuzz::SilentPrompter prompter;
    viewer::FileBufferLoader loader(&prompter, folder());
    viewer::ControlCore core(&prompter);
    core.setLoader(&loader);
    core.setResourcePath(folder());
    core.setProjectPath(folder());
    core.setMaxRows(200);
    if (standard) {
        core.setStartRegister(3000);
    } else {
        core.setStartRegister(4000);
        core.setUserFile(folder() + QStringLiteral("/demo.tlvr"));
    }
    Host host(core, pcd, input);
    core.Start();
    core.setRunMode(viewer::ReadingCycle::Run);

    for (int step = 0; step < 64 && !input.atEnd(); ++step) {
        const quint8 op = input.byte();
        switch (op % 8) {
        case 0:
        case 1:
        case 2:
            core.cycle().tick();
            break;
        case 3:
            pcd.runCycle(qint64(input.byte()) * 50);
            break;
        case 4:
            core.setRunMode(qint16(input.byte() % 4));
            break;
        case 5:
            core.Start();
            break;
        case 6:
            if (op & 0x80)
                core.Reset();
            else
                core.Refresh();
            break;
        case 7:
            core.Clear();
            break;
        }
    }
    return 0;
}
