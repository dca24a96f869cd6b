#pragma once

#include "viewer/core/ControlSeams.h"

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {

// The seams before their real parts exist: each one tells the user through the
// prompter that the feature is not available and reports failure, so nothing
// pretends to have exported or converted. Automatic requests (grid full, PCD
// command) are told once, not at every row.
class PromptingSeams : public ControlSeams
{
public:
    explicit PromptingSeams(common::Prompter *prompter);

    bool exportGrid(ExportTrigger trigger) override;
    void showShutdownNotice() override;
    void openConversionWindow(int row, int gridColumn) override;
    bool crypt(const QString &fileName, QString *error) override;

    static QString exportUnavailableText();
    static QString shutdownNoticeText();

private:
    void tell(const QString &text, bool warning);

    common::Prompter *m_prompter = nullptr;
    bool m_toldAutomaticExport = false;
};

} // namespace tlv::viewer
