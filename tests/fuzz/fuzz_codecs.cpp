// libFuzzer: the byte codecs against their models, on any text a field can hold.
#include "models.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The bytes as UTF-16, lone surrogates and all; and as received bytes, the first one a small bound.
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    const QString bytes = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!codecsHold(text, bytes, size > 0 ? data[0] * 4 : 0))
        std::abort(); // libFuzzer keeps the input
    return 0;
}
