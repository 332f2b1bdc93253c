#pragma once

// Few-line models of the byte rules, which the tests and the fuzzer hold the program to.
#include <QString>

// An ASCII hex digit's value, else -1.
inline int hexDigit(QChar c)
{
    return c.unicode() < 0x80 ? int(QStringLiteral("0123456789abcdef").indexOf(c.toLower())) : -1;
}

// The Response field after `bytes` (a character each) arrived on `typed`: newest first, cut to whole numbers.
inline QString responseModel(QStringView bytes, const QString &typed, int limit)
{
    QString text;
    for (auto it = bytes.crbegin(); it != bytes.crend(); ++it)
        text += QString::number(it->unicode()) + u' ';
    text += typed;
    return text.size() <= limit ? text : text.left(limit > 0 ? text.lastIndexOf(u' ', limit - 1) + 1 : 0);
}
