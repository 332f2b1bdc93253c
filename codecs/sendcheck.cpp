#include "sendcheck.h"

#include "hexbyte.h"

#include <algorithm>

namespace zem {

bool isHexEntry(QStringView entry)
{
    return !entry.isEmpty() &&
           std::all_of(entry.begin(), entry.end(), [](QChar c) { return HexChar(QStringView(&c, 1)) >= 0; });
}

int firstBadHexEntry(const QStringList &entries)
{
    for (int i = 0; i < entries.size(); ++i) {
        if (!entries.at(i).isEmpty() && !isHexEntry(entries.at(i)))
            return i;
    }
    return -1;
}

WideChar firstWideChar(QStringView text)
{
    int position = 0;
    for (const char32_t code : text.toUcs4()) {
        ++position;
        if (code > 0xFF)
            return {position, code};
    }
    return {};
}

} // namespace zem
