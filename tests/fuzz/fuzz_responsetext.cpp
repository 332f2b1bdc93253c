#include "fuzzinput.h"
#include "responsetext.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: a small limit, so that trimming happens often. Then the field's current text
    // (anything the operator may have typed) and the batch of received bytes.
    const int limit = data[0] * 4;
    const size_t split = 1 + (size - 1) / 2;
    const QString current =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(split - 1));
    const QString batch = QString::fromLatin1(reinterpret_cast<const char *>(data + split),
                                              static_cast<qsizetype>(size - split));

    // The batch reads back as its bytes, newest first, one space after each.
    const QString numbers = zem::receivedText(batch);
    QStringList parts = numbers.split(QChar(u' '));
    require(parts.takeLast().isEmpty());
    require(parts.size() == batch.size());
    for (qsizetype i = 0; i < parts.size(); ++i)
        require(parts.at(i) == QString::number(batch.at(batch.size() - 1 - i).unicode()));

    const QString full = numbers + current;
    const QString shown = zem::prependReceived(current, batch, limit);
    if (full.size() <= limit) {
        require(shown == full);
        return 0;
    }
    // Trimmed: the newest whole numbers that fit, ending in a space, nothing more that would fit.
    require(shown.size() <= limit && full.startsWith(shown));
    require(shown.isEmpty() || shown.endsWith(u' '));
    const qsizetype nextSpace = full.indexOf(u' ', shown.size());
    require(nextSpace < 0 || nextSpace + 1 > limit);
    return 0;
}
