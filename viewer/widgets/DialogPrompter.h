#pragma once

#include "common/Prompter.h"

#include <QMessageBox>

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

    // "Trace project (*.tlvr)|*.tlvr" as a Qt name filter.
    [[nodiscard]] static QString qtFilter(const QString &filter);
    // The box icon of a style.
    [[nodiscard]] static QMessageBox::Icon icon(Style style);

private:
    QWidget *m_parent = nullptr;
};

} // namespace tlv::viewer
