#include "components/uonlyone.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

namespace {

// Only one guard per process; a second one stays idle.
TXbOnlyOne* g_guard = nullptr;

constexpr int kConnectMs = 2000;
constexpr int kAnswerMs = 3000;
constexpr int kLockMs = 5000;
constexpr qsizetype kMaxRequest = 64;
const QByteArray kRequest = "activate\n";
const QByteArray kAnswer = "ok\n";

QString UserName() {
  for (const char* var : {"USER", "LOGNAME", "USERNAME"}) {
    const QString v = qEnvironmentVariable(var);
    if (!v.isEmpty()) return v;
  }
  return QDir::home().dirName();
}

// Socket paths are limited to about 100 bytes, and titles may hold any
// character; keep a readable prefix and make long names unique by a hash.
QString SafeName(const QString& text) {
  QString out;
  for (QChar c : text) {
    out += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') || c == QLatin1Char('.')
               ? c
               : QLatin1Char('_');
  }
  if (out.size() > 40) {
    const QByteArray hash = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex();
    out = out.left(24) + QLatin1Char('-') + QString::fromLatin1(hash.left(12));
  }
  return out;
}

}  // namespace

TXbOnlyOne::TXbOnlyOne(QObject* owner) : TXbOnlyOne(QCoreApplication::applicationName(), owner) {}

TXbOnlyOne::TXbOnlyOne(const QString& title, QObject* owner) : QObject(owner) { check(title); }

TXbOnlyOne::~TXbOnlyOne() {
  if (server_) server_->close();  // unlinks the socket file
  if (g_guard == this) g_guard = nullptr;
}

QString TXbOnlyOne::serverNameFor(const QString& title) {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return dir + QLatin1Char('/') + SafeName(title) + QLatin1Char('-') + SafeName(UserName()) +
         QLatin1String(".only");
}

void TXbOnlyOne::check(const QString& title) {
  if (g_guard) return;
  g_guard = this;
  server_name_ = serverNameFor(title);
  QDir().mkpath(QFileInfo(server_name_).absolutePath());

  // Without the lock, two copies could both find no server, and the second
  // to start listening would first remove the socket the other just made.
  QLockFile lock(server_name_ + QLatin1String(".lock"));
  const bool locked = lock.tryLock(kLockMs);
  Q_UNUSED(locked);  // a lock we cannot take must not stop the program

  // Two rounds: if another copy registers between our look-up and our
  // listen, the second round finds and activates it.
  for (int round = 0; round < 2; ++round) {
    switch (contactRunningCopy()) {
      case Contact::Answered:
        role_ = Role::Second;
        if (QCoreApplication::instance()) {
          QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::quit(); },
                                    Qt::QueuedConnection);
        }
        return;
      case Contact::Failed:
        role_ = Role::Failed;
        return;
      case Contact::NoServer:
        if (registerThisCopy()) {
          role_ = Role::First;
          return;
        }
        break;
    }
  }
  role_ = Role::Failed;
}

TXbOnlyOne::Contact TXbOnlyOne::contactRunningCopy() {
  QLocalSocket socket;
  socket.connectToServer(server_name_);
  if (!socket.waitForConnected(kConnectMs)) {
    switch (socket.error()) {
      case QLocalSocket::ServerNotFoundError:
        return Contact::NoServer;
      case QLocalSocket::ConnectionRefusedError:
        // A socket file nobody listens on is left over from a copy that
        // crashed; remove it so this copy can take over.
        QLocalServer::removeServer(server_name_);
        return Contact::NoServer;
      case QLocalSocket::SocketTimeoutError:
        // The listen queue is full: a copy runs but is not answering.
        return Contact::Answered;
      default:
        error_ = QStringLiteral("Cannot reach %1: %2").arg(server_name_, socket.errorString());
        return Contact::Failed;
    }
  }
  socket.write(kRequest);
  socket.waitForBytesWritten(kAnswerMs);
  // The answer only confirms the request was seen; a copy that accepted
  // the connection is running whether or not it answers in time.
  socket.waitForReadyRead(kAnswerMs);
  socket.disconnectFromServer();
  return Contact::Answered;
}

bool TXbOnlyOne::registerThisCopy() {
  auto* server = new QLocalServer(this);
  server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server->listen(server_name_)) {
    error_ = QStringLiteral("Cannot register %1: %2").arg(server_name_, server->errorString());
    delete server;
    return false;
  }
  server_ = server;
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) serve(socket);
  });
  return true;
}

void TXbOnlyOne::serve(QLocalSocket* socket) {
  connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  // A client that never finishes its request must not stay connected.
  QTimer::singleShot(kAnswerMs, socket, [socket] { socket->abort(); });
  connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
    if (!socket->canReadLine()) {
      if (socket->bytesAvailable() > kMaxRequest) socket->abort();
      return;
    }
    const QByteArray line = socket->readLine(kMaxRequest);
    if (line == kRequest) {
      bringWindowsForward();
      socket->write(kAnswer);
      socket->flush();
      emit activated();
    }
    socket->disconnectFromServer();
  });
}

void TXbOnlyOne::bringWindowsForward() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    const Qt::WindowType type = w->windowType();
    if (!w->isVisible() || type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop) continue;
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->raise();
    w->activateWindow();
  }
}
