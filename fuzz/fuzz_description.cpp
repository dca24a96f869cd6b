// Description files: the line cipher both ways, then the loader on what it made.
//
// Input: one mode byte, then the file. Mode bit 0 set: the bytes are the plain
// description, enciphered before the load; clear: they are the .tlvd as found on disk.
// Property: a plain text the encipherer accepts deciphers to itself, line by line.
//
// With FUZZ_MEMORY (fuzz_description_memory) the deciphered text goes straight to
// the section reader: no file is written or searched, no value texts are loaded.

#include "FuzzSupport.h"

#include "common/IniProfile.h"
#include "common/LineCipher.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/files/DescriptionLoader.h"
#include "viewer/files/FileTextSources.h"

using namespace tlv;

namespace {

// What deciphering gives back for a plain text: its lines, each ended by CR LF.
QByteArray normalised(const QByteArray &plain)
{
    QByteArray out;
    qsizetype start = 0;
    while (start < plain.size()) {
        const qsizetype lf = plain.indexOf('\n', start);
        qsizetype end = lf < 0 ? plain.size() : lf;
        // A CR before the LF, or one that ends the data, ends the line.
        if (end > start && plain[end - 1] == '\r')
            --end;
        out += plain.mid(start, end - start) + "\r\n";
        start = lf < 0 ? plain.size() : lf + 1;
    }
    return out;
}

// The encipherer folds bytes above 127 into 127, so only ASCII comes back as it was.
bool roundTripApplies(const QByteArray &plain)
{
    for (const char c : plain) {
        if (quint8(c) > 127)
            return false;
    }
    return true;
}

void checkCipher(const QByteArray &plain)
{
    QByteArray enciphered;
    QString error;
    if (!common::LineCipher::encipher(plain, &enciphered, &error))
        return;
    if (!roundTripApplies(plain))
        return;
    QByteArray back;
    if (!common::LineCipher::decipher(enciphered, &back, &error))
        tlv::fuzz::propertyFailed("an enciphered text does not decipher");
    if (back != normalised(plain))
        tlv::fuzz::propertyFailed("deciphering does not give the plain text back");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tlv::fuzz::ensureApplication();
#ifdef FUZZ_MEMORY
    return 0;
#endif
    QDir(tlv::fuzz::scratch()).mkpath(QStringLiteral("descriptions"));
    // The value texts a description may name, beside it as in a resource folder.
    tlv::fuzz::copyFile(tlv::fuzz::sourceFile("demo/BOIL_texts.txt"),
        tlv::fuzz::scratch() + QStringLiteral("/descriptions/BOIL_texts.txt"));
    tlv::fuzz::copyFile(tlv::fuzz::sourceFile("tests/data/descriptions/PUMP_texts.txt"),
        tlv::fuzz::scratch() + QStringLiteral("/descriptions/PUMP_texts.txt"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tlv::fuzz::Input input(data, size);
    const bool plainGiven = input.byte() & 1;
    const QByteArray bytes = input.rest();

    QByteArray scratchOut;
    QString error;
    (void)common::LineCipher::decipher(bytes, &scratchOut, &error);
    checkCipher(bytes);

#ifdef FUZZ_MEMORY
    QByteArray plain = bytes;
    if (!plainGiven && !common::LineCipher::decipher(bytes, &plain, &error))
        return 0;
    viewer::DescriptionLoader sections({}, nullptr);
    viewer::ColumnTable columns;
    viewer::BufferDescription read;
    (void)sections.readSections(common::IniText(plain), columns, read);
    return 0;
#endif
    QByteArray file = bytes;
    if (plainGiven && !common::LineCipher::encipher(bytes, &file, &error))
        return 0;
    const QString folder = tlv::fuzz::scratch() + QStringLiteral("/descriptions");
    tlv::fuzz::writeFile(folder + QStringLiteral("/FUZZ.tlvd"), file);

    tlv::fuzz::SilentPrompter prompter;
    viewer::FileTextSources texts(common::PromptSeam::through(&prompter));
    viewer::DescriptionLoader loader(common::PromptSeam::through(&prompter), &texts);
    viewer::DescriptionRequest request;
    request.HeaderKey = QStringLiteral("FUZZ");
    request.ResourcePath = folder;
    viewer::ColumnTable table;
    viewer::BufferDescription description;
    description.HeaderLenght = 16;
    description.CounterIndex = 4;
    (void)loader.load(request, table, description);
    return 0;
}
