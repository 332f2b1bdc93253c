#include "responsetext.h"

namespace zem {

QString receivedText(QStringView strData)
{
    QString text(strData.size() * 4, Qt::Uninitialized);
    QChar *out = text.data();
    for (auto it = strData.rbegin(); it != strData.rend(); ++it) {
        const unsigned byte = it->unicode() & 0xFFu;
        if (byte >= 100)
            *out++ = QChar(u'0' + byte / 100);
        if (byte >= 10)
            *out++ = QChar(u'0' + byte / 10 % 10);
        *out++ = QChar(u'0' + byte % 10);
        *out++ = QChar(u' ');
    }
    text.truncate(static_cast<qsizetype>(out - text.constData()));
    return text;
}

QString prependReceived(QStringView current, QStringView strData, int limit, qsizetype *added)
{
    // Every byte takes at least two characters, so no byte older than these could still show.
    QString text = receivedText(strData.right(limit / 2 + 1));
    if (added)
        *added = text.size();
    if (text.size() + current.size() <= limit)
        return text + current;
    // Keep the first `limit` characters, then back up to the end of the last whole number in them.
    if (text.size() < limit)
        text += current.left(limit - text.size());
    else
        text.truncate(limit);
    text.truncate(text.lastIndexOf(u' ') + 1);
    return text;
}

} // namespace zem
