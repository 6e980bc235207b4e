#include "app/ui/CommandLine.h"

namespace qp {

bool ParseCommandLine(const QStringList& args, QString& command, bool& help, QString& error) {
  command.clear();
  help = false;
  QString exportFolder;
  QString format;
  for (int i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--new") {
      int number = 1;
      bool isNumber = false;
      const int n = i + 1 < args.size() ? args[i + 1].toInt(&isNumber) : 0;
      if (isNumber) {
        if (n < 1 || n > 10) {
          error = "the template number must be 1 to 10";
          return false;
        }
        number = n;
        ++i;
      }
      command = QStringLiteral("new %1").arg(number);
    } else if (arg == "--hide-all") {
      command = "hide-all";
    } else if (arg == "--quit") {
      command = "quit";
    } else if (arg == "--manager") {
      command = "manager";
    } else if (arg == "--export") {
      if (i + 1 >= args.size() || args[i + 1].startsWith("--")) {
        error = "--export needs the folder to write the notes to";
        return false;
      }
      exportFolder = args[++i];
    } else if (arg == "--format") {
      if (i + 1 >= args.size()) {
        error = "--format needs html, rtf or txt";
        return false;
      }
      format = args[++i].toLower();
      if (format != "html" && format != "rtf" && format != "txt") {
        error = "unknown export format " + args[i] + " (html, rtf or txt)";
        return false;
      }
    } else {
      error = "unknown argument " + arg;
      return false;
    }
  }
  if (!format.isEmpty() && exportFolder.isEmpty()) {
    error = "--format goes with --export";
    return false;
  }
  if (!exportFolder.isEmpty()) {
    if (!command.isEmpty()) {
      error = "--export runs on its own, without other commands";
      return false;
    }
    command = QStringLiteral("export %1 %2").arg(format.isEmpty() ? QStringLiteral("html") : format, exportFolder);
  }
  return true;
}

}  // namespace qp
