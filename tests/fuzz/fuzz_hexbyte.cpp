#include "fuzzinput.h"
#include "hexbyte.h"
#include "sendcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = textFrom(data, size);
    const int value = zem::HexStr(text);
    require(value >= -17 && value <= 255);
    if (text.isEmpty()) {
        require(value == -17);
        return 0;
    }
    // Only the ends count, whatever lies between.
    require(value == digitValue(text.front()) * 16 + digitValue(text.back()));
    if (zem::isHexEntry(text))
        require(value >= 0);
    return 0;
}
