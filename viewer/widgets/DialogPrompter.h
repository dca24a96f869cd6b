#pragma once

#include "common/Prompter.h"

#include <QMessageBox>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace tlv::viewer {

// Message boxes and file dialogs on the screen, for a control whose host gave
// no prompter of its own.
class DialogPrompter : public common::Prompter
{
public:
    explicit DialogPrompter(QWidget *parent = nullptr);

    Answer message(const QString &text, const QString &title, Style style,
        Buttons buttons = Buttons::Ok) override;
    // A box that does not wait: reading goes on behind it.
    void notice(const QString &text, const QString &title, Style style) override;
    QString openFile(const FileRequest &request) override;
    QString saveFile(const FileRequest &request) override;

    // Qt name filters of a "Text (patterns)|patterns" filter. Qt reads the
    // patterns from the last parentheses and splits them only at blanks, so
    // "Tolvane Files (*.tlv,*.tlvd)|*.tlv,*.tlvd" needs its patterns appended
    // in Qt's form and hidden again, so the user still sees the text as given.
    struct QtFilters
    {
        QStringList filters;
        bool hideDetails = false;
    };
    [[nodiscard]] static QtFilters qtFilters(const QString &filter);
    // Puts a filter on a dialog as qtFilters() says.
    static void applyFilter(QFileDialog &dialog, const QString &filter);
    // The box icon of a style.
    [[nodiscard]] static QMessageBox::Icon icon(Style style);

private:
    QWidget *m_parent = nullptr;
};

} // namespace tlv::viewer
