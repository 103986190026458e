// Paths between Qt and the converters: the converters take the bytes the
// file system uses, the window shows them as text.
#pragma once

#include "platform/CString.h"

#include <QDir>
#include <QFile>
#include <QString>

// On Windows the converters take UTF-8 and call the system in UTF-16.
inline CString ToSurveyPath(const QString& strPath) {
#ifdef Q_OS_WIN
    return CString(QDir::toNativeSeparators(strPath).toUtf8().constData());
#else
    return CString(QFile::encodeName(QDir::toNativeSeparators(strPath)).constData());
#endif
}

inline QString FromSurveyPath(const CString& strPath) {
#ifdef Q_OS_WIN
    return QString::fromUtf8(strPath, strPath.GetLength());
#else
    return QFile::decodeName(QByteArray(strPath, strPath.GetLength()));
#endif
}

// Texts of the converters (messages, diagnostics) as the window shows them:
// CR LF ends a line.
inline QString FromSurveyText(const std::string& strText) {
#ifdef Q_OS_WIN
    QString strShown = QString::fromUtf8(strText.data(), static_cast<qsizetype>(strText.size()));
#else
    QString strShown =
        QString::fromLocal8Bit(strText.data(), static_cast<qsizetype>(strText.size()));
#endif
    strShown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return strShown;
}
