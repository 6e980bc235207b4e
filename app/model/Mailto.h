#pragma once
// The mail link of "Email Note...": the note's plain text as the body of a
// new message. Every reserved character is percent-encoded and line ends
// become CR LF, so "&", "#", "?", "%" and new lines reach the mail program
// as text instead of cutting the body short.
#include <QString>
#include <QUrl>

namespace qp {

QUrl MailtoUrl(const QString& body);

}  // namespace qp
