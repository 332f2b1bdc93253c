#include "fuzzinput.h"
#include "sendcheck.h"

#include <QStringList>

namespace {

bool allDigits(const QString &entry)
{
    for (const QChar c : entry) {
        if (digitValue(c) < 0)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = textFrom(data, size);

    // A HEX row: the fields split at line feeds.
    const QStringList row = text.split(QChar(u'\n'));
    const int bad = zem::firstBadHexEntry(row);
    require(bad >= -1 && bad < row.size());
    const qsizetype checked = bad < 0 ? row.size() : bad;
    for (qsizetype i = 0; i < checked; ++i)
        require(row.at(i).isEmpty() || allDigits(row.at(i)));
    if (bad >= 0)
        require(!row.at(bad).isEmpty() && !allDigits(row.at(bad)));

    // A TEXT row: the first character that cannot be one byte.
    const QList<uint> codes = text.toUcs4();
    const zem::WideChar wide = zem::firstWideChar(text);
    if (wide.position == 0) {
        for (const uint code : codes)
            require(code <= 0xFF);
    } else {
        require(wide.position <= codes.size() && codes.at(wide.position - 1) == wide.code &&
                wide.code > 0xFF);
        for (qsizetype i = 0; i + 1 < wide.position; ++i)
            require(codes.at(i) <= 0xFF);
    }
    return 0;
}
