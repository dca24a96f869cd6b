#include "viewer/widgets/DialogPrompter.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tlv::viewer {

DialogPrompter::DialogPrompter(QWidget *parent)
    : m_parent(parent)
{ }

QMessageBox::Icon DialogPrompter::icon(Style style)
{
    switch (style) {
    case Style::Critical:
        return QMessageBox::Critical;
    case Style::Exclamation:
        return QMessageBox::Warning;
    case Style::Information:
        return QMessageBox::Information;
    case Style::Question:
        return QMessageBox::Question;
    case Style::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

common::Prompter::Answer DialogPrompter::message(
    const QString &text, const QString &title, Style style, Buttons buttons)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    // Texts are built with carriage returns as line breaks.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    box.setText(shown);
    box.setIcon(icon(style));
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Retry:
        return Answer::Retry;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

void DialogPrompter::notice(const QString &text, const QString &title, Style style)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    // The same notice still open is not shown twice: an unattended window
    // would gather one per read.
    if (m_parent) {
        const auto open = m_parent->findChildren<QMessageBox *>(QStringLiteral("notice"));
        for (const QMessageBox *box : open) {
            if (box->isVisible() && box->text() == shown && box->windowTitle() == title)
                return;
        }
    }
    auto *box = new QMessageBox(m_parent);
    box->setObjectName(QStringLiteral("notice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setWindowTitle(title);
    box->setText(shown);
    box->setIcon(icon(style));
    box->setStandardButtons(QMessageBox::Ok);
    box->show();
}

QString DialogPrompter::qtFilter(const QString &filter)
{
    if (!filter.contains(u'|'))
        return filter;
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        out << (parts[i].contains(u'(') ? parts[i]
                                        : parts[i] + QStringLiteral(" (") + patterns + u')');
    }
    return out.join(QStringLiteral(";;"));
}

QString DialogPrompter::openFile(const FileRequest &request)
{
    return QFileDialog::getOpenFileName(
        m_parent, request.title, request.initialPath, qtFilter(request.filter));
}

QString DialogPrompter::saveFile(const FileRequest &request)
{
    QFileDialog dialog(m_parent, request.title, request.initialPath, qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace tlv::viewer
