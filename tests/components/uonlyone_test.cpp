// TXbOnlyOne across real processes: copies of components_helper guarded by
// the same title find each other through the registration socket.
#include "components/uonlyone.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QUuid>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;

QString UniqueTitle() {
  return QStringLiteral("QpOnlyOneTest-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// One guarded copy of the helper, with its output collected as it comes.
class Copy {
 public:
  explicit Copy(const QString& title) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(QStringLiteral(QP_COMPONENTS_HELPER), {QStringLiteral("onlyone"), title});
  }
  // Ends the copy cleanly where it can, so no registration is left behind.
  ~Copy() {
    if (process_.state() == QProcess::NotRunning) return;
    quit();
    if (!process_.waitForFinished(kWaitMs)) killHard();
  }

  // True once the copy has printed `line`; bounded by kWaitMs.
  bool waitForLine(const QByteArray& line) {
    QDeadlineTimer deadline(kWaitMs);
    while (!lines().contains(line)) {
      if (deadline.hasExpired()) return false;
      if (!process_.waitForReadyRead(100) && process_.state() == QProcess::NotRunning) {
        collect();
        return lines().contains(line);
      }
      collect();
    }
    return true;
  }

  // Waits for the end and returns the exit code, or -1 when it did not end
  // normally in time.
  int waitForExit() {
    if (!process_.waitForFinished(kWaitMs)) return -1;
    collect();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }

  void quit() {
    process_.write("quit\n");
    process_.closeWriteChannel();
  }
  void killHard() {  // SIGKILL: no chance to clean up
    process_.kill();
    process_.waitForFinished(kWaitMs);
  }

  QList<QByteArray> lines() const { return output_.split('\n'); }
  QString diagnostics() {
    collect();
    return QString::fromLocal8Bit(output_ + "|" + process_.readAllStandardError());
  }

 private:
  void collect() { output_ += process_.readAllStandardOutput(); }

  QProcess process_;
  QByteArray output_;
};

TEST(XbOnlyOne, SecondStartActivatesTheFirstCopyAndEndsWithSuccess) {
  const QString title = UniqueTitle();
  Copy first(title);
  ASSERT_TRUE(first.waitForLine("first")) << first.diagnostics().toStdString();

  Copy second(title);
  EXPECT_EQ(second.waitForExit(), 0) << second.diagnostics().toStdString();
  EXPECT_TRUE(second.lines().contains("second")) << second.diagnostics().toStdString();
  EXPECT_TRUE(first.waitForLine("activated")) << first.diagnostics().toStdString();

  first.quit();
  EXPECT_EQ(first.waitForExit(), 0);
}

TEST(XbOnlyOne, StartAfterAKilledCopyRunsNormallyAndIsFoundByTheNext) {
  const QString title = UniqueTitle();
  {
    Copy crashed(title);
    ASSERT_TRUE(crashed.waitForLine("first")) << crashed.diagnostics().toStdString();
    crashed.killHard();
  }
  // The killed copy could not remove its registration.
  ASSERT_TRUE(QFile::exists(TXbOnlyOne::serverNameFor(title)));

  Copy restarted(title);
  ASSERT_TRUE(restarted.waitForLine("first")) << restarted.diagnostics().toStdString();
  Copy later(title);
  EXPECT_EQ(later.waitForExit(), 0);
  EXPECT_TRUE(later.lines().contains("second")) << later.diagnostics().toStdString();
  EXPECT_TRUE(restarted.waitForLine("activated"));
  restarted.quit();
  EXPECT_EQ(restarted.waitForExit(), 0);
}

TEST(XbOnlyOne, CleanExitRemovesTheRegistration) {
  const QString title = UniqueTitle();
  Copy copy(title);
  ASSERT_TRUE(copy.waitForLine("first")) << copy.diagnostics().toStdString();
  copy.quit();
  ASSERT_EQ(copy.waitForExit(), 0);
  EXPECT_FALSE(QFile::exists(TXbOnlyOne::serverNameFor(title)));
}

TEST(XbOnlyOne, DifferentTitlesGiveIndependentGuards) {
  Copy a(UniqueTitle());
  Copy b(UniqueTitle());
  EXPECT_TRUE(a.waitForLine("first")) << a.diagnostics().toStdString();
  EXPECT_TRUE(b.waitForLine("first")) << b.diagnostics().toStdString();
}

TEST(XbOnlyOne, SecondGuardInTheSameProcessDoesNothing) {
  const QString title = UniqueTitle();
  TXbOnlyOne guard(title, nullptr);
  ASSERT_EQ(guard.role(), TXbOnlyOne::Role::First) << guard.errorString().toStdString();
  TXbOnlyOne again(title, nullptr);
  EXPECT_EQ(again.role(), TXbOnlyOne::Role::Idle);
}

TEST(XbOnlyOne, LeftoverFileAtTheRegistrationPathIsReplaced) {
  const QString title = UniqueTitle();
  QFile junk(TXbOnlyOne::serverNameFor(title));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.close();
  TXbOnlyOne guard(title, nullptr);
  EXPECT_EQ(guard.role(), TXbOnlyOne::Role::First) << guard.errorString().toStdString();
}

TEST(XbOnlyOne, ActivationRestoresAMinimisedWindowOfTheRunningCopy) {
  const QString title = UniqueTitle();
  TXbOnlyOne guard(title, nullptr);
  ASSERT_EQ(guard.role(), TXbOnlyOne::Role::First) << guard.errorString().toStdString();
  QSignalSpy activated(&guard, &TXbOnlyOne::activated);
  QWidget window;
  window.showMinimized();
  ASSERT_TRUE(window.isMinimized());

  // The child waits for this process's answer, so keep the event loop
  // running while it does.
  QProcess second;
  second.start(QStringLiteral(QP_COMPONENTS_HELPER), {QStringLiteral("onlyone"), title});
  QDeadlineTimer deadline(kWaitMs);
  while ((second.state() != QProcess::NotRunning || activated.isEmpty()) && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    second.waitForFinished(10);
  }
  ASSERT_EQ(second.state(), QProcess::NotRunning);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(second.readAllStandardOutput().trimmed(), "second");
  EXPECT_EQ(activated.count(), 1);
  EXPECT_FALSE(window.isMinimized());
}

}  // namespace
