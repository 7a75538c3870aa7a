#pragma once

#include <QNetworkReply>
#include <QtGlobal>

namespace Cloud {

// An answer of the service is a short JSON object. A reply that announces or
// brings more than this is aborted, so a broken or hostile service cannot
// fill the memory; a reply that arrived whole before it could be stopped is
// not read.
inline constexpr qint64 kMaxAnswerBytes = 1024 * 1024;

// Aborts reply once it announces or holds more than kMaxAnswerBytes, and
// marks it so that answer_too_large() tells; the watch ends with context.
void limit_answer(QNetworkReply* reply, QObject* context);

// Whether limit_answer() stopped reply, or it holds more than
// kMaxAnswerBytes.
bool answer_too_large(const QNetworkReply* reply);

} // namespace Cloud
