// Paths between Qt and the converters: the converters take the bytes the
// file system uses, the window shows them as text.
#pragma once

#include "platform/CString.h"

#include <QDir>
#include <QFile>
#include <QString>

inline CString ToSurveyPath(const QString& strPath) {
    return CString(QFile::encodeName(QDir::toNativeSeparators(strPath)).constData());
}

inline QString FromSurveyPath(const CString& strPath) {
    return QFile::decodeName(QByteArray(strPath, strPath.GetLength()));
}

// Texts of the converters (messages, diagnostics) as the window shows them:
// CR LF ends a line.
inline QString FromSurveyText(const std::string& strText) {
    QString strShown =
        QString::fromLocal8Bit(strText.data(), static_cast<qsizetype>(strText.size()));
    strShown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return strShown;
}
