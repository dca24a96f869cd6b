// What "compile" reports successful is what the simulated PCD reads back:
// random projects, valid and with hostile fields, through compile and the
// PCD's source reader.
#include "BufferTestSupport.h"

#include "buffer/EditorFields.h"
#include "buffer/SourceGenerator.h"
#include "pcdsim/trace/TraceSource.h"

#include <random>

using namespace Qt::StringLiterals;

using namespace tlv::buffer;
using namespace tlv::buffer::test;
using tlv::pcdsim::TraceSource;

namespace {

class Projects
{
public:
    explicit Projects(unsigned seed)
        : m_random(seed)
    { }

    int number(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }
    bool chance(int percent) { return number(1, 100) <= percent; }
    template<typename T, std::size_t N> const T &pick(const T (&items)[N])
    {
        return items[number(0, int(N) - 1)];
    }

    // A buffer the editor could have made, with the strict checks' canonical addresses.
    void fill(UserColumns &b, const cFormats &formats)
    {
        static const char *const keyChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 _-";
        QString key;
        for (int i = 0; i < 4; ++i)
            key += QLatin1Char(keyChars[number(0, 38)]);
        b.setHeaderKey(key);
        const QString n = QString::number(number(0, 8000));
        const QString starts[] = { u"R "_s + n, n, u"  "_s + n + u' ', u"r  "_s + n };
        b.setStartReg(pick(starts));
        b.setRecordEnable(address(u"FIO"));
        b.setRecordCommand(address(u"FIO"));
        b.setClearBuf(address(u"IOF"));
        b.setCloseTlv(address(u"R"));
        b.setSerialNr(address(u"R"));
        b.setRecordInt(number(0, 32767));
        b.setRecordChange(qint16(number(0, 1)));
        b.setMemory(qint16(number(0, 1)));
        b.setBufferLen(qint16(number(20, 5000)));
        const int columns = number(1, 12);
        for (int i = 0; i < columns; ++i) {
            static const char *const types[] = { "Bit", "Nible", "Byte", "Word", "Long" };
            static const int positions[] = { 32, 8, 4, 2, 1 };
            const int t = number(0, 4);
            const QString type = QLatin1String(types[t]);
            QStringList allowed;
            for (int f = 1; f <= formats.count(); ++f) {
                if (formats.item(f)->allows(type))
                    allowed << formats.item(f)->Key;
            }
            const QString variables[] = { u"R "_s + QString::number(number(0, 8191)),
                u"F "_s + QString::number(number(0, 8191)), u"Pump.Run"_s, u"Motor1"_s, u"DB 5"_s,
                u"Heat.T_"_s + QString::number(number(0, 99)) };
            const QString titles[] = { u"Level"_s, u"a, b"_s, u"x;y (z)"_s, u"'q'"_s, QString() };
            b.add(pick(titles), pick(variables), qint16(number(0, 255)), type,
                qint16(number(0, positions[t] - 1)), allowed.at(number(0, int(allowed.size()) - 1)),
                1000, number(0, 16383));
        }
    }

    // One field of the buffer made so that it cannot be an argument of the call.
    void spoil(UserColumns &b)
    {
        const QString bad[] = { u"'"_s, u","_s, u"("_s, u")"_s, u";"_s, u"\r"_s, u"\n"_s, u"\t"_s };
        const QString inner = pick(bad);
        const auto spoilt = [&](const QString &text) -> QString {
            const int at = number(0, int(text.size()));
            return text.left(at) + inner + text.mid(at);
        };
        UserColumn &column = *b.item(number(1, b.count()));
        switch (number(0, 6)) {
        case 0:
            b.setHeaderKey(chance(20) ? QString() : spoilt(b.headerKey()));
            break;
        case 1:
            b.setStartReg(chance(20) ? u"  "_s : spoilt(b.startReg()));
            break;
        case 2:
            column.Variable = chance(20) ? QString() : spoilt(column.Variable);
            break;
        case 3:
            column.Variable
                = chance(50) ? QString(u' ' + column.Variable) : QString(column.Variable + u' ');
            break;
        case 4:
            b.setRecordEnable(spoilt(u"Sym.En"_s));
            break;
        case 5:
            b.setSerialNr(spoilt(u"Serial"_s));
            break;
        default:
            b.setClearBuf(spoilt(u"ClearIt"_s));
            break;
        }
    }

private:
    QString address(QStringView letters)
    {
        if (chance(50))
            return {};
        if (chance(30))
            return u"Flag.Sym"_s + QString::number(number(0, 9));
        return QString(letters[number(0, int(letters.size()) - 1)]) + u' '
            + QString::number(number(0, 8191));
    }

    std::mt19937 m_random;
};

struct Compiler : NewProject
{
    // compile as the toolbar button runs it; the source holds "old" until written.
    bool compile()
    {
        EXPECT_TRUE(writeBytes(project.sourcePath(), "old"));
        EditorFields fields = EditorFields::fromModel(buffer);
        prompter.clear();
        return commands.compile(fields, false);
    }

    ToldCommands commands { project, formats, prompter };
};

// The arguments the PCD reads back against those the buffer holds.
void expectSameArguments(const UserColumns &b, const TraceSource &s)
{
    EXPECT_EQ(s.headerKey, b.headerKey());
    EXPECT_EQ(s.startAddress, SourceGenerator::startAddress(b.startReg()));
    EXPECT_EQ(s.serialNr, b.serialNr());
    EXPECT_EQ(s.closeTlv, b.closeTlv());
    EXPECT_EQ(s.clearBuf, b.clearBuf());
    EXPECT_EQ(s.recordEnable, b.recordEnable());
    EXPECT_EQ(s.recordCommand, b.recordCommand());
    EXPECT_EQ(s.recordInt, b.recordInt());
    EXPECT_EQ(s.recordChange, b.recordChange());
    EXPECT_EQ(s.memory, b.memory());
    EXPECT_EQ(s.recordLen, b.recordLen());
    EXPECT_EQ(s.bufferLen, b.bufferLen());
    EXPECT_EQ(s.timeBase, 10);
    ASSERT_EQ(s.records.size(), b.count());
    ASSERT_EQ(s.changes.size(), b.recordChange() != 0 ? b.count() : 0);
    for (int i = 0; i < b.count(); ++i) {
        const UserColumn &c = *b.item(i + 1);
        const QString letter = SourceGenerator::typeLetter(c.DataType, c.Format);
        for (const auto *calls : { &s.records, &s.changes }) {
            if (calls->isEmpty())
                continue;
            const auto &read = calls->at(i);
            EXPECT_EQ(read.variable, c.Variable);
            EXPECT_EQ(read.place, c.RecPlace);
            EXPECT_EQ(read.typeLetter, letter);
            EXPECT_EQ(read.position, c.DataPos);
        }
        if (!s.changes.isEmpty()) {
            EXPECT_EQ(s.changes.at(i).delta, c.Delta);
        }
    }
}

} // namespace

TEST(CompiledSource, WhatCompilesIsReadBackAsTheSameArguments)
{
    Projects projects(20261206);
    int compiled = 0;
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        Compiler c;
        projects.fill(c.buffer, c.formats);
        const bool hostile = round % 2 == 1;
        if (hostile)
            projects.spoil(c.buffer);
        const QString before = describe(c.buffer);
        if (!c.compile()) {
            ++refused;
            EXPECT_TRUE(hostile) << before.toStdString();
            EXPECT_FALSE(c.prompter.texts().contains(u"Compilation successful !"_s));
            EXPECT_EQ(readBytes(c.project.sourcePath()), QByteArray("old"));
            continue;
        }
        ++compiled;
        EXPECT_EQ(c.prompter.texts(), QStringList { u"Compilation successful !"_s });
        // The generated text itself is the generator's, untouched by the checks.
        const QByteArray written = readBytes(c.project.sourcePath());
        EXPECT_EQ(withoutFirstLine(written),
            withoutFirstLine(SourceGenerator::text(
                c.buffer, QDateTime::currentDateTime(), SourceGenerator::programVersionNumber())));
        TraceSource source;
        QString error;
        ASSERT_TRUE(source.parseFile(c.project.sourcePath(), &error)) << error.toStdString() << '\n'
                                                                      << before.toStdString();
        expectSameArguments(c.buffer, source);
    }
    EXPECT_GE(compiled, 150);
    EXPECT_GT(refused, 100);
}

TEST(CompiledSource, HostileFieldsAreRefusedWithTheCellOrField)
{
    struct Case
    {
        const char *name;
        std::function<void(UserColumns &)> spoil;
        const char *message;
        EditorFields::Field field;
        int row, gridColumn;
    };
    const Case cases[] = {
        { "key pasted into the call",
            [](UserColumns &b) { b.setHeaderKey(u"DEMO',R 9999,,1,,0,0,4,50,10) ;"_s); },
            "Invalid Header Key : it holds \"'\"", EditorFields::Field::None, 0, 0 },
        { "empty key", [](UserColumns &b) { b.setHeaderKey(QString()); },
            "Invalid Header Key : it is empty", EditorFields::Field::None, 0, 0 },
        { "empty start register", [](UserColumns &b) { b.setStartReg(u" "_s); },
            "Invalid Start Register : it is empty", EditorFields::Field::StartReg, 0, 0 },
        { "start pointer in a data block", [](UserColumns &b) { b.setStartReg(u"DB 1000"_s); },
            "Invalid Start Register : it is no register R 0 to R 16383",
            EditorFields::Field::StartReg, 0, 0 },
        { "register beyond the PCD's", [](UserColumns &b) { b.item(1)->Variable = u"R 16384"_s; },
            "Invalid PCD Variable in column 1 : its address lies beyond 16383",
            EditorFields::Field::None, 1, 2 },
        { "typed address of no medium", [](UserColumns &b) { b.item(2)->Variable = u"X 3"_s; },
            "Invalid PCD Variable in column 2 : it is no PCD address", EditorFields::Field::None, 2,
            2 },
        { "symbol with a parenthesis", [](UserColumns &b) { b.setCloseTlv(u"Close)"_s); },
            "Invalid Tolvane Command : it holds \")\"", EditorFields::Field::ViewerCommand, 0, 0 },
        { "empty variable", [](UserColumns &b) { b.item(2)->Variable.clear(); },
            "Invalid PCD Variable in column 2 : it is empty", EditorFields::Field::None, 2, 2 },
        { "comment in a variable", [](UserColumns &b) { b.item(1)->Variable = u"R 1 ;x"_s; },
            "Invalid PCD Variable in column 1 : it holds \";\"", EditorFields::Field::None, 1, 2 },
        { "blank before a variable", [](UserColumns &b) { b.item(1)->Variable = u" R 1"_s; },
            "Invalid PCD Variable in column 1 : it has blanks before or after it",
            EditorFields::Field::None, 1, 2 },
        { "no column", [](UserColumns &b) { b.remove(2), b.remove(1); },
            "No column to record in the buffer", EditorFields::Field::None, 0, 0 },
    };
    for (const Case &t : cases) {
        SCOPED_TRACE(t.name);
        Compiler c;
        c.buffer.setStartReg(u"1000"_s);
        c.buffer.add(u"A"_s, u"R 10"_s, 0, u"Long"_s, 0, u"%d"_s, 1000, 0);
        c.buffer.add(u"B"_s, u"F 3"_s, 1, u"Bit"_s, 4, u"%b"_s, 1000, 0);
        t.spoil(c.buffer);
        EXPECT_FALSE(c.compile());
        EXPECT_EQ(c.prompter.texts(),
            QStringList({ QString::fromLatin1(t.message), u"Invalid User Buffer !"_s,
                u"Error during compile !\r"_s }));
        EXPECT_EQ(c.prompter.messages().value(0).title, u"Tolvane Save aborted"_s);
        EXPECT_EQ(c.commands.lastStore().field, t.field);
        EXPECT_EQ(c.commands.lastStore().row, t.row);
        EXPECT_EQ(c.commands.lastStore().gridColumn, t.gridColumn);
        EXPECT_EQ(readBytes(c.project.sourcePath()), QByteArray("old"));
    }
}
