#pragma once

#include <QString>

namespace tlv::viewer {

// What the control asks of parts that live outside the headless core: export,
// the shutdown notice window, the value conversion window, the cipher. The
// widget library fills them; PromptingSeams says plainly what is missing.
class ControlSeams
{
public:
    enum class ExportTrigger { User, Pcd, AutoExport };

    virtual ~ControlSeams() = default;

    // Exports the grid (which empties it on success); true when it exported.
    virtual bool exportGrid(ExportTrigger trigger) = 0;
    // Why the last export wrote nothing; empty when it is not known.
    [[nodiscard]] virtual QString exportError() const { return {}; }
    // Shows "Tolvane Application will shut down..." and returns once it closed.
    virtual void showShutdownNotice() = 0;
    // The value conversion window for one cell of the grid.
    virtual void openConversionWindow(int row, int gridColumn) = 0;
    // Enciphers a description file; false with *error set.
    virtual bool crypt(const QString &fileName, QString *error) = 0;
};

} // namespace tlv::viewer
