// Child process for the component tests.
//
//   components_helper onlyone TITLE
//     Runs a copy guarded by TXbOnlyOne. Prints "first" once registered,
//     "second" when another copy was found (and exits 0), and "activated"
//     each time a later copy asks it to come forward. A registered copy ends
//     when its standard input reaches end of file or reads "quit".
//
//   components_helper inisave FILE
//     Saves FILE over and over, each round one complete state (see
//     IniFile_test.cpp), printing "saved N" after each round, until killed.
#include "components/IniFile.h"
#include "components/uonlyone.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

// Keeps a forgotten child from running for ever.
constexpr int kLifetimeMs = 60000;

void Say(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

int RunGuarded(const QString& title) {
  TXbOnlyOne guard(title, nullptr);
  switch (guard.role()) {
    case TXbOnlyOne::Role::Second:
      Say("second");
      return 0;
    case TXbOnlyOne::Role::First:
      break;
    default:
      std::fprintf(stderr, "guard failed: %s\n", qPrintable(guard.errorString()));
      return 2;
  }
  QObject::connect(&guard, &TXbOnlyOne::activated, [] { Say("activated"); });
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&input] {
    char buffer[64];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0 || QByteArray(buffer, static_cast<int>(n)).contains("quit")) {
      input.setEnabled(false);
      QCoreApplication::quit();
    }
  });
  QTimer::singleShot(kLifetimeMs, [] { QCoreApplication::quit(); });
  Say("first");
  return QCoreApplication::exec();
}

// The state of round n: a section the writer never touches, and a counter
// with a payload long enough that a save takes measurable time.
int RunIniSaver(const QString& file) {
  qp::IniFile ini(file);
  for (int n = 1;; ++n) {
    const QString payload = QString(60000, QChar(u'a' + n % 26));
    if (!ini.writeString(QStringLiteral("Data"), QStringLiteral("Payload"), payload) ||
        !ini.writeInteger(QStringLiteral("Data"), QStringLiteral("Counter"), n)) {
      std::fprintf(stderr, "save failed: %s\n", qPrintable(ini.errorString()));
      return 2;
    }
    std::printf("saved %d\n", n);
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() == 3 && args[1] == QLatin1String("onlyone")) return RunGuarded(args[2]);
  if (args.size() == 3 && args[1] == QLatin1String("inisave")) return RunIniSaver(args[2]);
  std::fprintf(stderr, "usage: components_helper onlyone TITLE | inisave FILE\n");
  return 64;
}
