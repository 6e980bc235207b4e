// Quillpad's entry: reads the command line, hands it to a running copy when
// there is one, and otherwise wires the store, the seams and the
// controller together and runs the event loop.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QThread>
#include <cstdio>

#include "app/model/EngineUiHooks.h"
#include "app/model/ExportCommand.h"
#include "app/model/ProgramFolder.h"
#include "app/model/XbManagerStore.h"
#include "app/model/XbNoteStore.h"
#include "app/model/status.h"
#include "app/ui/Alarm.h"
#include "app/ui/CommandChannel.h"
#include "app/ui/CommandLine.h"
#include "app/ui/NoteMn.h"
#include "app/ui/Seams.h"
#include "app/ui/TerminationSignals.h"
#include "components/TrayIcon.h"
#include "components/uonlyone.h"

namespace {

const char kUsage[] =
    "Usage: quillpad [--new [N] | --hide-all | --manager | --quit | --help]\n"
    "       quillpad --export DIR [--format html|rtf|txt]\n"
    "\n"
    "  (no option)   start Quillpad, or bring the running copy forward\n"
    "  --new [N]     make a new note from template N (default 1)\n"
    "  --hide-all    hide every open note of the running copy\n"
    "  --manager     open the Notes & Reminders manager\n"
    "  --quit        shut the running copy down in order\n"
    "  --export DIR  write every note to DIR, one file each (default html),\n"
    "                without a window; the running copy may go on running\n"
    "  --help        show this text\n"
    "\n"
    "Notes are kept in $QUILLPAD_HOME, or else in $XDG_DATA_HOME/Quillpad\n"
    "(~/.local/share/Quillpad).\n";

// Wayland lets no window place itself, and notes must reopen where they
// were: run through XWayland when it is there.
void PreferX11UnderWayland() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return;
  if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("DISPLAY")) return;
  qputenv("QT_QPA_PLATFORM", "xcb");
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer startClock;
  startClock.start();

  QString command;
  bool help = false;
  QString error;
  QStringList args;
  for (int i = 1; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));
  if (!qp::ParseCommandLine(args, command, help, error)) {
    std::fprintf(stderr, "quillpad: %s\n\n%s", qPrintable(error), kUsage);
    return 2;
  }
  if (help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

  if (command.startsWith("export ")) {
    // Headless: no display is needed, and no window opens.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    qp::ExportFormat format = qp::ExportFormat::Html;
    qp::ParseExportFormat(command.section(' ', 1, 1), format);
    return qp::RunExportCommand(qp::ProgramFolderPath(), command.section(' ', 2), format);
  }

  PreferX11UnderWayland();
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillpad");
  // No display name: on X11 Qt would append it to every window title, and
  // the windows carry their own captions ("Note Alarm", a note's caption).
  QApplication::setQuitOnLastWindowClosed(false);

  const QString channel = qp::CommandChannelName("Quillpad");
  if (!command.isEmpty() && qp::SendCommand(channel, command)) return 0;
  if (command == "quit" || command == "hide-all") return 0;  // nothing runs: nothing to do

  // A plain second start brings the running copy forward and ends.
  TXbOnlyOne guard("Quillpad", nullptr);
  if (guard.otherCopyRunning()) {
    // The running copy may still be starting, before its command channel
    // listens: keep trying for a few seconds rather than drop the command.
    for (int attempt = 0; !command.isEmpty() && attempt < 10; ++attempt) {
      if (qp::SendCommand(channel, command, 300)) break;
      QThread::msleep(300);
    }
    return 0;
  }
  // Listen at once, so a command sent while this copy starts is not lost;
  // it is handled when the event loop runs.
  qp::CommandServer commands(channel);

  const QString contentFolder = qp::ContentFolderPath(QCoreApplication::applicationDirPath());
  const QString iconFile = contentFolder.isEmpty() ? QString() : contentFolder + "quillpad.svg";
  const bool haveIcon = !iconFile.isEmpty() && QFileInfo::exists(iconFile);
  if (haveIcon) QApplication::setWindowIcon(QIcon(iconFile));

  qp::Clock clock;
  qp::XbNoteStore store(qp::ProgramFolderPath(), clock);
  store.readRunStatus();

  qp::DesktopSound sound(contentFolder);
  qp::DesktopShell shell;
  qp::DesktopHelp helpPages(shell, contentFolder);
  qp::DesktopAsk ask;
  qp::AppServices services;
  qp::AlarmWindows alarms(services, qp::ConfigFileIn(store.programFolder()));
  services.sound = &sound;
  services.shell = &shell;
  services.help = &helpPages;
  services.ask = &ask;
  services.alarms = &alarms;
  services.clock = &clock;
  services.contentFolder = contentFolder;
  services.managerStore = [&store] { return std::make_unique<qp::XbManagerStore>(store.programFolder()); };
  services.preferences = qp::LoadPreferences(qp::ConfigFileIn(store.programFolder()), contentFolder);

  auto* tray = new TTrayNotifyIcon;
  if (haveIcon) tray->setIcon(QIcon(iconFile));
  // See README: with the taskbar icon preference off, notes stay off the
  // task bar.
  tray->setHideTask(!services.preferences.enableTaskbarIcon);
  const bool noTray = qEnvironmentVariable("QUILLPAD_NO_TRAY") == "1";
  qp::TFrmNotesMain controller(store, services, tray, noTray, startClock);

  // Lock waits and long engine loops keep the windows alive, stop waiting
  // once shutdown has begun, and show their messages as the program does.
  qp::EngineUiHooks engineHooks([&ask](const QString& caption, const QString& text) { ask.warning(nullptr, caption, text); },
                                [&controller] { return controller.shutDown(); });
  engineHooks.install();

  QObject::connect(&commands, &qp::CommandServer::command, &controller, &qp::TFrmNotesMain::runCommand);
  QObject::connect(&guard, &TXbOnlyOne::activated, &controller, [&controller] { controller.runCommand("activate"); });
  qp::TerminationSignals signals_;
  QObject::connect(&signals_, &qp::TerminationSignals::terminate, &controller, &qp::TFrmNotesMain::shutdown);
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &controller, &qp::TFrmNotesMain::shutdown);

  controller.start();
  if (!command.isEmpty()) controller.runCommand(command);
  const int result = app.exec();
  controller.shutdown();  // any other way out of the loop still stores the notes
  return result;
}
