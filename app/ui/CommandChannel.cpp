#include "app/ui/CommandChannel.h"

#include <QLocalServer>
#include <QLocalSocket>

#include "components/uonlyone.h"

namespace qp {

QString CommandChannelName(const QString& title) { return TXbOnlyOne::serverNameFor(title) + ".commands"; }

CommandServer::CommandServer(const QString& name, QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // Only the first copy gets here, so a socket file left behind by a copy
  // that crashed is stale.
  QLocalServer::removeServer(name);
  server_->listen(name);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        while (socket->canReadLine()) {
          const QString line = QString::fromUtf8(socket->readLine()).trimmed();
          socket->write("ok\n");
          socket->flush();
          // Run it from the event loop: a command may pump events (a
          // shutdown does), which must not happen inside this socket's
          // own signal.
          QMetaObject::invokeMethod(this, [this, line] { emit command(line); }, Qt::QueuedConnection);
        }
      });
    }
  });
}

bool CommandServer::listening() const { return server_->isListening(); }

bool SendCommand(const QString& name, const QString& line, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(line.toUtf8() + '\n');
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  if (!socket.waitForReadyRead(timeoutMs)) return false;
  return socket.readLine().trimmed() == "ok";
}

}  // namespace qp
