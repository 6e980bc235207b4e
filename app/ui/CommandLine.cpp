#include "app/ui/CommandLine.h"

namespace qp {

bool ParseCommandLine(const QStringList& args, QString& command, bool& help, QString& error) {
  command.clear();
  help = false;
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
    } else {
      error = "unknown argument " + arg;
      return false;
    }
  }
  return true;
}

}  // namespace qp
