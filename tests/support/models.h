#pragma once

// Few-line models of the byte rules, which the tests and the fuzzer hold the program to.
#include "hexbyte.h"
#include "responsetext.h"

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

// The codecs against the models: `text` as a hex entry (only its ends count), and as the Response field
// that `bytes` arrive in front of, at a bound of `limit` characters.
inline bool codecsHold(const QString &text, QStringView bytes, int limit)
{
    return (text.isEmpty() || zem::HexStr(text) == 16 * hexDigit(text.front()) + hexDigit(text.back())) &&
           zem::prependReceived(text, bytes, limit) == responseModel(bytes, text, limit);
}
