#pragma once

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

// Any text a field can hold: the fuzzer's bytes read as UTF-16, lone surrogates and all.
inline QString textFrom(const uint8_t *data, size_t size)
{
    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    return text;
}

// Stops the run with the input saved when a property does not hold.
inline void require(bool holds)
{
    if (!holds)
        std::abort();
}

// The value of an ASCII hex digit, or -1.
inline int digitValue(QChar c)
{
    static const QString digits = QStringLiteral("0123456789abcdef");
    return c.unicode() < 0x80 ? static_cast<int>(digits.indexOf(c.toLower())) : -1;
}
