#pragma once
// File-name and file helpers of the engine: name parts, existence and time
// stamps, short names, erasing files (also by wildcard mask), unique
// temporary names and free disk space. All file access goes through
// platform::Files(), so tests can put a wrapper in front of it.
//
// Names use '/' between folders; '\' is accepted as a separator too, so
// names built the Windows way still split correctly.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"

namespace xb {

// name unchanged when it has an extension, else name + "." + ext.
std::string DefaultExt(const std::string& name, const std::string& ext);
// name with its extension (if any) replaced by "." + ext.
std::string ForceExt(const std::string& name, const std::string& ext);
// The name of a file that lives beside a table (its memo or index file):
// the table's name as it really is on disk, with `ext` in place of its
// extension, in lower case when the table's extension (or, without one, its
// name) is lower case. The
// engine keeps table names upper-cased, but on a case-sensitive file system
// the files beside "notes.dbf" must be "notes.dbt" and "notes.mdx".
std::string SiblingFileName(const std::string& table_name, const std::string& ext);

struct NameParts {
  std::string directory;  // ends in a separator when not empty
  std::string base;       // at most 64 characters
  std::string extension;  // with its ".", at most 64 characters
};
NameParts SplitName(const std::string& name);

// Absolute, normalised path of name.
std::string FullName(const std::string& name);
// name without its extension (the folder part is kept).
std::string NameWithoutExt(const std::string& name);

// An ordinary file of that name exists (names match as Files() matches them).
bool FileExists(const std::string& name);
// The file's last modification, seconds since 1970 UTC; 0 when it cannot be
// read (the system's message stays in platform::LastSystemMessage()).
int64_t FileDate(platform::File& file);
// The file exists and was last modified today (local date of the clock).
bool IsFileDateToday(const std::string& name);

// A short form of an existing path: every folder level and the name are
// replaced by a name of at most 8 + 1 + 3 characters. A part that already
// has that shape stays as it is; a longer one becomes the first six letters
// and digits of its base, upper-cased, then "~" and a digit 1..9 drawn from
// a hash of the whole part, then "." and the first three characters of the
// extension, upper-cased (e.g. "Notes Backup.config" -> "NOTESB~4.CON").
// The same path always gives the same short form. A part that cannot be
// found makes the result empty.
std::string ShortPathName(const std::string& name);

// Opens the file for reading with sharing denied to everybody (so it fails
// with 32 while anybody else has it open), closes it and deletes it.
// Returns 0 or the error code; reports nothing.
int EraseFile(const std::string& name);
// Erases one file, or every ordinary file that matches a mask with '*' and
// '?' (case ignored; hidden dot-files and folders are skipped). A mask that
// matches nothing leaves ErrorCode 18 (no more files) without a report.
// False when something could not be erased (the error is set).
bool EraseFiles(const std::string& mask);
// The files the last EraseFiles with a mask could not erase.
const std::vector<std::string>& EraseFailures();

// Creates an empty file with a unique name "XBP…" in the temporary folder
// and returns its path, or sets the error and returns "".
std::string UniqueFilename();

inline constexpr int64_t kDiskFreeUnknown = 0x7FFFFFFF;
// Free kilobytes for the user on the volume of path (the current folder when
// empty); kDiskFreeUnknown when it cannot be told.
int64_t DiskFreeKB(const std::string& path);
// The same by drive number. There are no drive letters here: 0 (the current
// drive) and every other number mean the volume of the current folder.
int64_t DiskFreeKB(int drive);

}  // namespace xb
