// Plant database URIs from the command line and the service's configuration: whatever is
// taken apart must never keep a password, and no option may carry the ';' the driver
// splits at.

#include "FuzzSupport.h"

#include "journal/plant/PlantUri.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tlv::fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    tlv::plant::PlantUri uri;
    if (!uri.parse(text))
        return 0;
    if (uri.has(QStringLiteral("password")))
        std::abort();
    for (const auto &[key, value] : uri.options()) {
        if (key.isEmpty() || value.contains(u';'))
            std::abort();
    }
    return 0;
}
