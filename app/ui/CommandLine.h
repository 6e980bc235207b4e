#pragma once
// The program's command line, turned into the command the running copy
// understands: "" (just run), "new N", "hide-all", "manager" or "quit";
// and "export FORMAT FOLDER", which the program runs itself, headless.
#include <QString>
#include <QStringList>

namespace qp {

// Returns false, with `error` set, for an unknown argument or a template
// number outside 1..10. `help` is set by --help or -h.
bool ParseCommandLine(const QStringList& args, QString& command, bool& help, QString& error);

}  // namespace qp
