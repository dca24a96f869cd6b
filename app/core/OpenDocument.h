#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace tlv::app {

// Opens a document or address with the desktop's associated program and turns
// a failure into the error number and text the program has always reported.
class OpenDocument
{
public:
    // Base added to a shell result that has no error number of its own.
    static constexpr qint64 ErrorBase = 0x80040418LL;
    // Results above this are success, as with the Windows shell.
    static constexpr int SuccessAbove = 32;

    struct Error
    {
        qint64 number = 0;
        QString message;
        QString source; // program file name + ".GShell"
    };

    // The launcher: file, parameters, folder, verb, show mode -> a shell
    // result (above 32 success; 2 file not found, 3 path not found, 5 access
    // denied, 31 no associated application ...).
    using Launcher = std::function<int(const QString &file, const QString &parameters,
        const QString &folder, const QString &verb, qint32 showMode)>;

    OpenDocument(Launcher launcher, QString programName);

    // True on success; otherwise error() holds what happened.
    bool open(const QString &file, qint32 showMode = 1, const QString &parameters = {},
        const QString &folder = {}, const QString &verb = QStringLiteral("Open"));
    [[nodiscard]] const Error &error() const { return m_error; }

    // The error number and text for a failed shell result (0 to 32).
    [[nodiscard]] static Error errorFor(int shellResult, const QString &programName);

private:
    Launcher m_launcher;
    QString m_programName;
    Error m_error;
};

} // namespace tlv::app
