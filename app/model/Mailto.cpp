#include "app/model/Mailto.h"

namespace qp {

QUrl MailtoUrl(const QString& body) {
  QString text = body;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar(0x2029), QChar('\n'));  // paragraph separators of a text edit
  text.replace(QChar(0x2028), QChar('\n'));
  text.replace(QChar('\n'), QStringLiteral("\r\n"));
  const QByteArray encoded = QByteArrayLiteral("mailto:?body=") + QUrl::toPercentEncoding(text);
  return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

}  // namespace qp
