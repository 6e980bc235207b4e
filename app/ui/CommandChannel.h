#pragma once
// The command line of a later start, handed to the running copy: "new N",
// "hide-all", "quit". The single-instance guard only brings the running
// copy forward; this channel carries what the user asked for beyond that.
// It is a local socket beside the guard's, readable only by the user.
#include <QObject>
#include <QString>

class QLocalServer;

namespace qp {

class CommandServer : public QObject {
  Q_OBJECT
 public:
  explicit CommandServer(const QString& name, QObject* parent = nullptr);
  bool listening() const;

 signals:
  void command(const QString& line);

 private:
  QLocalServer* server_;
};

// Sends one command line to the running copy; false when none answered.
bool SendCommand(const QString& name, const QString& line, int timeoutMs = 3000);
// The channel's name for the program title.
QString CommandChannelName(const QString& title);

}  // namespace qp
