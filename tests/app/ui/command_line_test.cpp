// The command line and its way to the running copy.
#include <QSignalSpy>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ui/CommandChannel.h"
#include "app/ui/CommandLine.h"

namespace qp {
namespace {

TEST(CommandLine, TurnsArgumentsIntoTheRunningCopysCommands) {
  const struct {
    QStringList args;
    bool ok;
    QString command;
    bool help;
  } cases[] = {
      {{}, true, "", false},
      {{"--new"}, true, "new 1", false},
      {{"--new", "4"}, true, "new 4", false},
      {{"--new", "11"}, false, "", false},
      {{"--new", "0"}, false, "", false},
      {{"--hide-all"}, true, "hide-all", false},
      {{"--quit"}, true, "quit", false},
      {{"--help"}, true, "", true},
      {{"--frobnicate"}, false, "", false},
      {{"--manager"}, true, "manager", false},
      {{"--export", "/tmp/out dir"}, true, "export html /tmp/out dir", false},
      {{"--export", "out", "--format", "RTF"}, true, "export rtf out", false},
      {{"--format", "txt", "--export", "out"}, true, "export txt out", false},
      {{"--export"}, false, "", false},
      {{"--export", "--format", "txt"}, false, "", false},
      {{"--export", "out", "--format", "doc"}, false, "", false},
      {{"--format", "txt"}, false, "", false},
      {{"--export", "out", "--quit"}, false, "", false},
  };
  for (const auto& c : cases) {
    QString command;
    bool help = false;
    QString error;
    const bool ok = ParseCommandLine(c.args, command, help, error);
    EXPECT_EQ(ok, c.ok) << c.args.join(' ').toStdString();
    EXPECT_EQ(ok, error.isEmpty());
    if (ok) {
      EXPECT_EQ(command, c.command) << c.args.join(' ').toStdString();
      EXPECT_EQ(help, c.help);
    }
  }
}

TEST(CommandChannel, ACommandReachesTheRunningCopy) {
  QTemporaryDir dir;
  const QString name = dir.filePath("channel");
  EXPECT_FALSE(SendCommand(name, "quit", 200));  // nobody listens yet
  CommandServer server(name);
  ASSERT_TRUE(server.listening());
  QSignalSpy received(&server, &CommandServer::command);
  // SendCommand blocks for the answer, which needs this thread's event
  // loop; so the test talks to the server through a plain socket instead.
  QLocalSocket socket;
  socket.connectToServer(name);
  ASSERT_TRUE(socket.waitForConnected(1000));
  socket.write("new 3\n");
  socket.flush();
  ASSERT_TRUE(received.wait(2000));
  EXPECT_EQ(received.at(0).at(0).toString(), "new 3");
  ASSERT_TRUE(socket.canReadLine() || socket.waitForReadyRead(1000));
  EXPECT_EQ(socket.readLine(), "ok\n");
}

}  // namespace
}  // namespace qp
