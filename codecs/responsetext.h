#pragma once

#include <QString>
#include <QStringView>

namespace zem {

// A batch of received bytes (one character per byte) as the response field shows it: each byte's
// decimal value followed by a space, the last byte received first.
QString receivedText(QStringView strData);

// The response field's text after a batch arrives: the batch in front of the current text, then,
// beyond `limit` characters, whole numbers dropped from the end so that the text still ends in a space.
// `added`, when given, is set to how many characters went in front of what was there.
QString prependReceived(QStringView current, QStringView strData, int limit, qsizetype *added = nullptr);

} // namespace zem
