// PG5 symbol files ("Pump EQU R 100 ;comment", $GROUP / $ENDGROUP) as the
// viewer reads them for its symbol columns.

#include "FuzzSupport.h"

#include "viewer/files/SymbolFileReader.h"

using namespace tlv;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tlv::fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = tlv::fuzz::scratch() + QStringLiteral("/Fuzz.sy5");
    tlv::fuzz::writeFile(path, bytes);

    viewer::cSymbol symbols;
    QString error;
    (void)viewer::SymbolFileReader::read(path, symbols, &error);
    // Every symbol read is found again under its own key.
    for (const viewer::colSymbols &symbol : symbols) {
        if (!symbols.Item(viewer::cSymbol::keyOf(symbol.Type, symbol.Addr)))
            tlv::fuzz::propertyFailed("a symbol read is not found under its key");
    }
    return 0;
}
