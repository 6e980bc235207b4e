#pragma once
// TXbOnlyOne keeps one running copy of the program per user session. Created
// on the hidden main form at start-up, it looks for a copy that already runs
// under the same application title; when it finds one, it asks that copy to
// bring its windows forward, reports itself as the second copy and asks the
// application to quit (queued, so the event loop ends as soon as it starts).
// Otherwise it registers this process so later starts can find it.
//
// The registration is a local socket in the user's runtime folder, named
// from the application title and the user name, and readable only by that
// user. The running copy answers the one-line request "activate" with "ok".
//
// Promises:
//   (1) A later start with the same title finds the running copy, which
//       raises its visible windows (restoring minimised ones) and emits
//       activated(); the later copy's role() is Role::Second.
//   (2) A copy that died without cleaning up does not block later starts:
//       its leftover socket refuses connections, so the next start removes
//       it and registers itself.
//   (3) Two copies starting at the same moment cannot both register: the
//       look-up and the registration run under a lock file.
//   (4) A running copy too busy to answer still counts as running.
//   (5) A second guard in the same process does nothing (Role::Idle).
//   (6) Destroying the guard removes the registration.
//
// When the socket can be neither reached nor created, role() is
// Role::Failed and errorString() says why; the guard does not stop the
// program, the caller decides.
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

class TXbOnlyOne : public QObject {
  Q_OBJECT

 public:
  enum class Role { Idle, First, Second, Failed };
  Q_ENUM(Role)

  // Uses QCoreApplication::applicationName() as the title.
  explicit TXbOnlyOne(QObject* owner = nullptr);
  TXbOnlyOne(const QString& title, QObject* owner);
  ~TXbOnlyOne() override;

  Role role() const { return role_; }
  bool otherCopyRunning() const { return role_ == Role::Second; }
  QString serverName() const { return server_name_; }
  QString errorString() const { return error_; }

  // Full path of the socket a copy with this title registers.
  static QString serverNameFor(const QString& title);

 signals:
  // A later start asked this copy to come forward (after its windows were raised).
  void activated();

 private:
  void check(const QString& title);
  enum class Contact { Answered, NoServer, Failed };
  Contact contactRunningCopy();
  bool registerThisCopy();
  void serve(QLocalSocket* socket);
  void bringWindowsForward();

  Role role_ = Role::Idle;
  QString server_name_;
  QString error_;
  QLocalServer* server_ = nullptr;
};
