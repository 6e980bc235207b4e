// The Linux FileSystem behind Files(): Windows-like case-insensitive name
// lookup, deletion, renaming, temporary names and free space.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/error_codes.h"
#include "platform/file.h"
#include "platform/linux_file.h"
#include "platform/posix_calls.h"

namespace platform {
namespace {

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return Posix().stat(path.c_str(), &st) == 0;
}

// Splits at the last '/': "dir/" (kept as written, may be empty) and name.
void SplitLast(const std::string& path, std::string& dir, std::string& name) {
  size_t slash = path.find_last_of('/');
  dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// The error for a name that does not exist: 3 when its folder is missing
// too, as Windows tells "path not found" from "file not found".
int MissingError(const std::string& path, int errno_value, IoContext context) {
  if (errno_value == ENOENT) {
    std::string dir, name;
    SplitLast(path, dir, name);
    if (!dir.empty() && !PathExists(dir)) return detail::SystemError(ENOTDIR, context);
  }
  return detail::SystemError(errno_value, context);
}

class LinuxFileSystem final : public FileSystem {
 public:
  int Open(const std::string& path, int mode, std::unique_ptr<File>& out) override {
    std::string real = Resolve(path);
    if (real.empty()) {
      out.reset();
      return MissingError(path, ENOENT, IoContext::kOpen);
    }
    return detail::OpenLinuxFile(real, mode, false, out);
  }

  int Create(const std::string& path, int mode, std::unique_ptr<File>& out) override {
    std::string real = Resolve(path);
    int rc = detail::OpenLinuxFile(real.empty() ? path : real, mode, true, out);
    if (rc == error::kFileNotFound) return MissingError(path, ENOENT, IoContext::kOpen);
    return rc;
  }

  int Delete(const std::string& path) override {
    std::string real = Resolve(path);
    if (real.empty()) return MissingError(path, ENOENT, IoContext::kOther);
    if (Posix().unlink(real.c_str()) != 0) return detail::SystemError(errno, IoContext::kOther);
    return error::kNone;
  }

  int Rename(const std::string& from, const std::string& to) override {
    std::string real = Resolve(from);
    if (real.empty()) return MissingError(from, ENOENT, IoContext::kOther);
    // Renaming onto an existing file replaces it under the name it has, as
    // a case-insensitive file system would.
    std::string target = Resolve(to);
    if (target.empty()) target = to;
    if (Posix().rename(real.c_str(), target.c_str()) != 0)
      return MissingError(to, errno, IoContext::kOther);
    return error::kNone;
  }

  std::string Resolve(const std::string& path) override {
    if (path.empty()) return "";
    if (PathExists(path)) return path;
    std::string dir, name;
    SplitLast(path, dir, name);
    if (name.empty()) return "";
    std::error_code ec;
    std::string found;
    for (const auto& entry : std::filesystem::directory_iterator(dir.empty() ? "." : dir, ec)) {
      std::string candidate = entry.path().filename().string();
      if (!SameIgnoringAsciiCase(candidate, name)) continue;
      if (!found.empty()) return "";  // ambiguous: "a.dbf" and "A.DBF" both exist
      found = candidate;
    }
    return found.empty() ? "" : dir + found;
  }

  int TempFileName(const std::string& prefix, std::string& out) override {
    out.clear();
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    std::string pattern = dir + prefix + "XXXXXX.TMP";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd = Posix().mkstemps(buffer.data(), 4);
    if (fd < 0) return MissingError(pattern, errno, IoContext::kOpen);
    Posix().close(fd);
    out = buffer.data();
    return error::kNone;
  }

  int DiskFreeBytes(const std::string& path, uint64_t& out) override {
    out = 0;
    struct statvfs vfs;
    if (Posix().statvfs(path.empty() ? "." : path.c_str(), &vfs) != 0)
      return MissingError(path, errno, IoContext::kOther);
    out = static_cast<uint64_t>(vfs.f_bavail) * static_cast<uint64_t>(vfs.f_frsize);
    return error::kNone;
  }
};

FileSystem* current_files = nullptr;

}  // namespace

FileSystem& Files() {
  static LinuxFileSystem real;
  return current_files != nullptr ? *current_files : real;
}

void SetFiles(FileSystem* fs) { current_files = fs; }

}  // namespace platform
