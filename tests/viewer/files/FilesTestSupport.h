#pragma once

#include "tests/TestSupport.h"

#include "common/LineCipher.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tlv::viewer::test {

inline const QString DescriptionData = QStringLiteral(TOLVANE_TEST_DATA "/descriptions/");

inline std::string str(const QString &text)
{
    return text.toStdString();
}

inline void writeBytes(const QString &path, const QByteArray &data)
{
    ASSERT_TRUE(tlv::test::writeBytes(path, data)) << str(path);
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Writes text as an enciphered description, the way descriptions are shipped.
inline void writeDescription(const QString &path, const QString &plain)
{
    QByteArray data;
    QString error;
    ASSERT_TRUE(common::LineCipher::encipher(plain.toLatin1(), &data, &error)) << str(error);
    writeBytes(path, data);
}

// Left-over plain copies of a description in the temporary folder.
// Each test process gets a temp folder of its own, so the check for leftover
// plain files never sees the file of a test running beside it.
inline const bool privateTempFolder = [] {
    static QTemporaryDir folder;
    if (folder.isValid())
        qputenv("TMPDIR", QFile::encodeName(folder.path()));
    return folder.isValid();
}();

inline QStringList leftoverPlainFiles()
{
    return QDir(QDir::tempPath()).entryList({ QStringLiteral("TLVfile*") }, QDir::Files);
}

} // namespace tlv::viewer::test
