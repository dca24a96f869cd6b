#pragma once

#include "cSymbol.h"
#include "cValues.h"
#include "common/PromptSeam.h"
#include "viewer/core/TextSources.h"

#include <QString>
#include <QStringList>

namespace tlv::viewer {

// The texts the decoder shows instead of numbers: value-text files (cValues)
// and the PG5 symbol file (cSymbol). Read problems are told through the seam
// and never stop a load; an address that cannot be shown is told once per
// buffer, as a notice, while reading goes on.
class FileTextSources final : public TextSources
{
public:
    explicit FileTextSources(common::PromptSeam prompts = {});

    // A description load starts: empty text list, symbols to be read again.
    void startDescriptionLoad();
    // A trace-project load starts: empty text list.
    void startUserBufferLoad();

    void setSymbolFile(const QString &path) { m_symbolFile = path; }
    [[nodiscard]] QString symbolFile() const { return m_symbolFile; }
    // Replaces the symbols by those of the symbol file (empty when none).
    void loadSymbols();
    [[nodiscard]] bool symbolsLoaded() const { return m_symbolsLoaded; }

    // Reads every text file named textFile in folders, in order; earlier files win.
    void loadTextFiles(
        const QStringList &folders, const QString &textFile, const QString &headerKey);

    [[nodiscard]] const cSymbol &symbols() const { return m_symbols; }
    [[nodiscard]] const cValues &values() const { return m_values; }
    [[nodiscard]] qint64 applicationNumber() const { return m_application; }
    [[nodiscard]] QString lastComment() const { return m_lastComment; }

    // TextSources
    QString textFileText(
        const ColumnDescription &column, qint64 value, bool plain, QString *comment) override;
    [[nodiscard]] std::optional<QString> symbolName(const QString &mediaText) const override;
    [[nodiscard]] std::optional<QString> symbolComment(const QString &mediaText) const override;
    void ensureSymbolsLoaded() override;
    void mediaTextFailed(const QString &message) override;

private:
    common::PromptSeam m_prompts;
    cSymbol m_symbols;
    cValues m_values;
    QString m_symbolFile;
    bool m_symbolsLoaded = false;
    bool m_mediaFailureTold = false; // once per buffer: every record may carry the bad address
    // The decoded "Application" column can hold any 32-bit pattern; keep it whole.
    qint64 m_application = 0;
    QString m_lastComment;
};

} // namespace tlv::viewer
