// The control's reading cycle on a real buffer, fed answers that a PCD or a
// broken link could give.
//
// A simulated PCD runs the demo project's buffer (mode bit 0 clear) or the
// standard BOIL buffer (set); the host answers each read request from its
// memory at once, and the input decides per answer whether it goes intact or
// with words replaced, cut short, lengthened or made up. Between answers the
// input ticks the read timer, lets the PCD run, changes the run mode or calls
// Start, Reset, Refresh and Clear.
//
// With FUZZ_MEMORY (fuzz_reading_cycle_memory) each description or user buffer
// is read from its file once and handed out as a copy after: the files never
// change while fuzzing, and reading them was most of an end-to-end run.

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

#include <QHash>

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
    const buffer::cFormats formats = buffer::cFormats::standard();
    buffer::BufferCommands commands(project, formats);
    if (!project.readProject())
        std::abort();
    buffer::EditorFields fields = buffer::EditorFields::fromModel(columns);
    if (!commands.compile(fields, false))
        std::abort();
}

#ifdef FUZZ_MEMORY
class CachedLoader final : public viewer::BufferLoader
{
public:
    explicit CachedLoader(viewer::BufferLoader &files)
        : m_files(files)
    { }

    bool loadDescription(const viewer::LoadContext &context, viewer::ColumnTable &table,
        viewer::BufferLayout &layout, QString *error) override
    {
        return cached(u'D' + key(context), table, layout, error,
            [&](viewer::ColumnTable &t, viewer::BufferLayout &l, QString *e) {
                return m_files.loadDescription(context, t, l, e);
            });
    }
    bool loadUserBuffer(const viewer::LoadContext &context, bool checkHeaderKey,
        viewer::ColumnTable &table, viewer::BufferLayout &layout, QString *error) override
    {
        return cached((checkHeaderKey ? u'K' : u'U') + key(context), table, layout, error,
            [&](viewer::ColumnTable &t, viewer::BufferLayout &l, QString *e) {
                return m_files.loadUserBuffer(context, checkHeaderKey, t, l, e);
            });
    }
    viewer::TextSources *textSources() override { return m_files.textSources(); }

private:
    struct Entry
    {
        bool ok = false;
        viewer::ColumnTable table;
        viewer::BufferLayout layout;
        QString error;
    };

    // Everything of the context a load may depend on.
    static QString key(const viewer::LoadContext &c)
    {
        return QStringList { c.resourcePath, c.projectPath, c.userFile, c.symbFile, c.headerKey,
            QString::number(c.simulation), QString::number(c.headerLength),
            QString::number(c.counterIndex), QString::number(c.recordLength) }
            .join(u'|');
    }

    template<typename Load>
    bool cached(const QString &key, viewer::ColumnTable &table, viewer::BufferLayout &layout,
        QString *error, const Load &load)
    {
        auto it = m_cache.constFind(key);
        if (it == m_cache.cend()) {
            if (m_cache.size() > 4096)
                m_cache.clear(); // header keys from garbled answers are many
            Entry e { false, table, layout, {} };
            e.ok = load(e.table, e.layout, &e.error);
            it = m_cache.insert(key, e);
        }
        table = it->table;
        layout = it->layout;
        if (!it->ok)
            *error = it->error;
        return it->ok;
    }

    viewer::BufferLoader &m_files;
    QHash<QString, Entry> m_cache;
};
#endif

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
#ifdef FUZZ_MEMORY
    static tlv::fuzz::SilentPrompter filePrompter;
    static viewer::FileBufferLoader files(common::PromptSeam::through(&filePrompter), folder());
    static CachedLoader loader(files);
#else
    viewer::FileBufferLoader loader(common::PromptSeam::through(&prompter), folder());
#endif
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
