#include "engine/table/files.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>

#include "engine/table/error_state.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/error_codes.h"

namespace xb {
namespace {

namespace fs = std::filesystem;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

size_t NameStart(const std::string& name) {
  size_t i = name.size();
  while (i > 0 && !IsSeparator(name[i - 1])) --i;
  return i;
}

// Position of the extension's '.' in the last component, or npos.
size_t ExtensionDot(const std::string& name) {
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot < NameStart(name)) return std::string::npos;
  return dot;
}

char FoldCase(char c) { return static_cast<char>(platform::AnsiUpper(static_cast<uint8_t>(c))); }

// '*' any run, '?' any one character, everything else ignoring case.
bool Matches(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*')
    return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
  if (*name == '\0') return false;
  if (*pattern != '?' && FoldCase(*pattern) != FoldCase(*name)) return false;
  return Matches(pattern + 1, name + 1);
}

// Windows masks: "x.*" also takes "x" without an extension.
bool MaskMatches(const std::string& mask, const std::string& name) {
  if (Matches(mask.c_str(), name.c_str())) return true;
  return mask.size() >= 2 && mask.ends_with(".*") && name.find('.') == std::string::npos &&
         Matches(mask.substr(0, mask.size() - 2).c_str(), name.c_str());
}

bool IsShortShaped(const std::string& part) {
  size_t dot = part.find('.');
  if (dot != part.rfind('.')) return false;
  std::string base = dot == std::string::npos ? part : part.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : part.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  for (char c : part)
    if (c == ' ' || c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']')
      return false;
  return true;
}

std::string ShortPart(const std::string& part) {
  if (IsShortShaped(part)) return part;
  size_t dot = part.find_last_of('.');
  std::string base_src = dot == std::string::npos || dot == 0 ? part : part.substr(0, dot);
  std::string ext_src = dot == std::string::npos || dot == 0 ? "" : part.substr(dot + 1);
  std::string base;
  for (char c : base_src) {
    if (base.size() == 6) break;
    if (c != ' ' && c != '.') base += FoldCase(c);
  }
  if (base.empty()) base = "_";
  std::string ext;
  for (char c : ext_src) {
    if (ext.size() == 3) break;
    if (c != ' ') ext += FoldCase(c);
  }
  // FNV-1a: stable across runs and builds, unlike std::hash.
  uint32_t hash = 2166136261u;
  for (char c : part) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  std::string out = base + "~" + std::to_string(1 + hash % 9);
  return ext.empty() ? out : out + "." + ext;
}

std::vector<std::string>& Failures() {
  static std::vector<std::string> failures;
  return failures;
}

}  // namespace

std::string DefaultExt(const std::string& name, const std::string& ext) {
  return ExtensionDot(name) == std::string::npos ? name + "." + ext : name;
}

std::string SiblingFileName(const std::string& table_name, const std::string& ext) {
  std::string real = platform::Files().Resolve(table_name);
  if (real.empty()) real = table_name;
  const NameParts parts = SplitName(real);
  // The extension decides the case; a name without one goes by its base.
  const std::string& sample = parts.extension.empty() ? parts.base : parts.extension;
  const bool lower = std::any_of(sample.begin(), sample.end(), [](unsigned char c) { return std::islower(c); }) &&
                     std::none_of(sample.begin(), sample.end(), [](unsigned char c) { return std::isupper(c); });
  std::string new_ext = ext;
  if (lower)
    std::transform(new_ext.begin(), new_ext.end(), new_ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ForceExt(real, new_ext);
}

std::string ForceExt(const std::string& name, const std::string& ext) {
  return NameWithoutExt(name) + "." + ext;
}

NameParts SplitName(const std::string& name) {
  size_t start = NameStart(name);
  size_t dot = ExtensionDot(name);
  NameParts parts;
  parts.directory = name.substr(0, start);
  parts.base =
      name.substr(start, (dot == std::string::npos ? name.size() : dot) - start).substr(0, 64);
  parts.extension = dot == std::string::npos ? "" : name.substr(dot).substr(0, 64);
  return parts;
}

std::string FullName(const std::string& name) {
  std::error_code ec;
  fs::path full = fs::absolute(name.empty() ? fs::path(".") : fs::path(name), ec);
  if (ec) return name;
  std::string out = full.lexically_normal().string();
  // "dir/." normalises to "dir/", keep a folder name without a trailing '/'
  // unless the input asked for one.
  if (out.size() > 1 && out.back() == '/' && !name.empty() && !IsSeparator(name.back()))
    out.pop_back();
  return out;
}

std::string NameWithoutExt(const std::string& name) {
  size_t dot = ExtensionDot(name);
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool FileExists(const std::string& name) {
  std::string real = platform::Files().Resolve(name);
  std::error_code ec;
  return !real.empty() && fs::is_regular_file(real, ec);
}

int64_t FileDate(platform::File& file) {
  int64_t seconds = 0;
  return file.ModifiedTime(seconds) == 0 ? seconds : 0;
}

bool IsFileDateToday(const std::string& name) {
  std::string real = platform::Files().Resolve(name);
  if (real.empty()) return false;
  std::error_code ec;
  auto stamp = fs::last_write_time(real, ec);
  if (ec) return false;
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::file_clock::to_sys(stamp).time_since_epoch());
  platform::CivilDate stamp_date = platform::LocalDate(seconds.count());
  platform::CivilDate today = platform::Today();
  return stamp_date.year == today.year && stamp_date.month == today.month &&
         stamp_date.day == today.day;
}

std::string ShortPathName(const std::string& name) {
  if (name.empty()) return "";
  std::string real_prefix, short_prefix;
  size_t i = 0;
  if (IsSeparator(name[0])) {
    real_prefix = short_prefix = "/";
    i = 1;
  }
  while (i < name.size()) {
    size_t end = i;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    std::string part = name.substr(i, end - i);
    bool last = end >= name.size();
    i = end + 1;
    if (part.empty()) continue;
    if (part == "." || part == "..") {
      real_prefix += part + "/";
      short_prefix += part + (last ? "" : "/");
      continue;
    }
    std::string real = platform::Files().Resolve(real_prefix + part);
    if (real.empty()) return "";
    std::string real_part = real.substr(NameStart(real));
    real_prefix += real_part + "/";
    short_prefix += ShortPart(real_part) + (last ? "" : "/");
  }
  return short_prefix;
}

int EraseFile(const std::string& name) {
  std::unique_ptr<platform::File> file;
  if (int rc = platform::Files().Open(
          name, platform::open_mode::kRead | platform::open_mode::kDenyAll, file))
    return rc;
  file.reset();
  return platform::Files().Delete(name);
}

bool EraseFiles(const std::string& mask) {
  ClearErrorCode();
  Failures().clear();
  if (mask.find_first_of("*?") == std::string::npos) {
    if (int rc = EraseFile(mask); rc != 0) {
      SetError(rc, "Error erasing " + mask);
      return false;
    }
    return true;
  }
  std::string full = FullName(mask);
  size_t start = NameStart(full);
  std::string directory = full.substr(0, start);
  std::string pattern = full.substr(start);
  std::error_code ec;
  std::vector<std::string> matches;
  for (const auto& entry : fs::directory_iterator(directory.empty() ? "." : directory, ec)) {
    std::string file_name = entry.path().filename().string();
    std::error_code type_ec;
    if (file_name.starts_with('.') || !entry.is_regular_file(type_ec)) continue;
    if (MaskMatches(pattern, file_name)) matches.push_back(file_name);
  }
  if (ec) {
    SetErrorCodeOnly(platform::error::kPathNotFound);
    return true;
  }
  if (matches.empty()) {
    SetErrorCodeOnly(platform::error::kNoMoreFiles);
    return true;
  }
  for (const auto& file_name : matches)
    if (EraseFile(directory + file_name) != 0) Failures().push_back(directory + file_name);
  if (!Failures().empty()) {
    SetError(5, "Could not erase " + std::to_string(Failures().size()) + " files like " + mask);
    return false;
  }
  return true;
}

const std::vector<std::string>& EraseFailures() { return Failures(); }

std::string UniqueFilename() {
  std::string name;
  if (int rc = platform::Files().TempFileName("XBP", name); rc != 0) {
    SetError(rc, "Error requesting unique file name [UniqueFilename]");
    return "";
  }
  return name;
}

int64_t DiskFreeKB(const std::string& path) {
  uint64_t bytes = 0;
  if (platform::Files().DiskFreeBytes(path.empty() ? "." : path, bytes) != 0)
    return kDiskFreeUnknown;
  return static_cast<int64_t>(bytes / 1024);
}

int64_t DiskFreeKB(int drive) { return DiskFreeKB(std::string()); }

}  // namespace xb
