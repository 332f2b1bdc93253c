#pragma once

#include <QStringList>
#include <QStringView>

namespace zem {

// An entry of the HEX row is sendable when it holds hex digits (0-9, a-f, A-F) and nothing else.
bool isHexEntry(QStringView entry);

// Index of the first non-empty entry that is not sendable, or -1 when the row may go out.
int firstBadHexEntry(const QStringList &entries);

// The first character of a text that is not a byte (code above 255), counted as the operator
// sees characters (a surrogate pair is one).
struct WideChar
{
    int position = 0; // 1-based; 0 when every character is a byte
    char32_t code = 0;
};
WideChar firstWideChar(QStringView text);

} // namespace zem
