#include "hexbyte.h"

namespace zem {

qint16 HexChar(QStringView strData)
{
    if (strData.size() != 1)
        return -1;
    const char16_t c = strData.front().unicode();
    if (c >= u'0' && c <= u'9')
        return static_cast<qint16>(c - u'0');
    if (c >= u'a' && c <= u'f')
        return static_cast<qint16>(c - u'a' + 10);
    if (c >= u'A' && c <= u'F')
        return static_cast<qint16>(c - u'A' + 10);
    return -1;
}

qint16 HexStr(QStringView strData)
{
    const qint16 high = HexChar(strData.left(1));
    const qint16 low = HexChar(strData.right(1));
    return static_cast<qint16>(high * 16 + low);
}

} // namespace zem
