#pragma once

#include <QStringView>

namespace zem {

// Value of a one-character hex digit, 0 to 15; -1 for anything else.
qint16 HexChar(QStringView strData);

// A field's text read as a two-digit hex number. Only the first and the last character count,
// and a single character serves as both digits ("7" gives 0x77). An invalid character
// contributes -1, so the result lies between -17 and 255.
qint16 HexStr(QStringView strData);

} // namespace zem
