// Value-text files: [Tolvane] Key=, [Application] and the value sections.
// The header key to read for is the one the file names (else BOIL), so a
// mutated file still reaches its value sections.

#include "FuzzSupport.h"

#include "viewer/files/TextFileReader.h"

using namespace tlv;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tlv::fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = tlv::fuzz::scratch() + QStringLiteral("/Fuzz_texts.txt");
    tlv::fuzz::writeFile(path, bytes);

    QString key = QStringLiteral("BOIL");
    const qsizetype at = bytes.indexOf("Key=");
    if (at >= 0) {
        QByteArray named = bytes.mid(at + 4, 8);
        const qsizetype end = named.indexOf('\n');
        if (end >= 0)
            named.truncate(end);
        key = QString::fromLatin1(named).trimmed();
    }

    viewer::cValues values;
    QString error;
    (void)viewer::TextFileReader::read(path, key, values, &error);
    return 0;
}
