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

namespace {

// Patterns as Qt takes them: separated by blanks.
QString qtPatterns(const QString &patterns)
{
    QString out = patterns;
    out.replace(u';', u' ').replace(u',', u' ');
    return out.simplified();
}

// The patterns Qt reads from a shown filter text: those of the parentheses
// that end it, or none.
QString patternsInText(const QString &text)
{
    const QString shown = text.trimmed();
    if (!shown.endsWith(u')'))
        return {};
    const qsizetype open = shown.lastIndexOf(u'(');
    if (open < 0)
        return {};
    return shown.mid(open + 1, shown.size() - open - 2).simplified();
}

} // namespace

DialogPrompter::QtFilters DialogPrompter::qtFilters(const QString &filter)
{
    QtFilters out;
    if (!filter.contains(u'|')) {
        out.filters = filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
        return out;
    }
    const QStringList parts = filter.split(u'|');
    QStringList shown;
    QStringList patterns;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString qtForm = qtPatterns(parts[i + 1]);
        shown << (parts[i].contains(u'(') ? parts[i].trimmed()
                                          : parts[i] + QStringLiteral(" (") + qtForm + u')');
        patterns << qtForm;
        if (patternsInText(shown.constLast()) != qtForm)
            out.hideDetails = true;
    }
    for (qsizetype i = 0; i < shown.size(); ++i)
        out.filters << (out.hideDetails ? shown[i] + QStringLiteral(" (") + patterns[i] + u')'
                                        : shown[i]);
    return out;
}

void DialogPrompter::applyFilter(QFileDialog &dialog, const QString &filter)
{
    const QtFilters filters = qtFilters(filter);
    dialog.setOption(QFileDialog::HideNameFilterDetails, filters.hideDetails);
    if (!filters.filters.isEmpty())
        dialog.setNameFilters(filters.filters);
}

QString DialogPrompter::openFile(const FileRequest &request)
{
    QFileDialog dialog(m_parent, request.title, request.initialPath);
    applyFilter(dialog, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString DialogPrompter::saveFile(const FileRequest &request)
{
    QFileDialog dialog(m_parent, request.title, request.initialPath);
    applyFilter(dialog, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace tlv::viewer
