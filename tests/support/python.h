#pragma once
// Running other programs from tests: a shell command's standard output, and
// the Python interpreter that has the dbf and dbfread libraries the
// interoperability tests compare against.
#include <string>

namespace qptest {

// Runs `command` through the shell and returns what it wrote to standard
// output ("" when it could not be started).
std::string RunCapture(const std::string& command);

// The first of /usr/bin/python3 and the python3 on PATH that can import both
// dbf and dbfread, or "" when none can (the tests then skip). The PATH's
// python3 may be a private build without the system's packages.
const std::string& PythonWithDbf();

}  // namespace qptest
