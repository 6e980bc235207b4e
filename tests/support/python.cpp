#include "tests/support/python.h"

#include <cstdio>
#include <cstdlib>

namespace qptest {

std::string RunCapture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

const std::string& PythonWithDbf() {
  static const std::string found = [] {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
      const std::string probe =
          std::string(candidate) + " -c 'import dbf, dbfread' >/dev/null 2>&1";
      if (std::system(probe.c_str()) == 0) return std::string(candidate);
    }
    return std::string();
  }();
  return found;
}

}  // namespace qptest
