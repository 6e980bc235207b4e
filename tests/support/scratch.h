#pragma once
// Scratch gives a test its own empty folder, removed again when the test
// ends, plus whole-file byte helpers for building and damaging files.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qptest {

class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  // Full path of `name` inside the folder.
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace qptest
