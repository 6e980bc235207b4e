#include "engine/table/pack_journal.h"

#include <memory>
#include <span>

#include "engine/table/files.h"
#include "platform/file.h"

namespace xb {
namespace {

constexpr const char* kJournalTitle = "QUILLPAD PACK 1";
constexpr const char* kJournalEnd = "END";
// A journal names at most three files with short names; anything larger
// is not one of ours.
constexpr size_t kMaxJournalBytes = 4096;

std::string Leaf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

struct Journal {
  bool complete = false;
  std::vector<FileSwitch> switches;
};

// Reads the journal; a missing END line (or anything not in the journal's
// shape) makes it incomplete.
Journal ReadJournal(const std::string& path, const std::string& folder) {
  Journal journal;
  std::unique_ptr<platform::File> file;
  if (platform::Files().Open(path, platform::open_mode::kReadOnlyShared, file) != 0) return journal;
  std::string text(kMaxJournalBytes, '\0');
  size_t got = 0;
  if (file->ReadAt(0, {reinterpret_cast<uint8_t*>(text.data()), text.size()}, got) != 0) return journal;
  text.resize(got);
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    if (end == std::string::npos) break;  // an unfinished last line does not count
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  if (lines.size() < 2 || lines.front() != kJournalTitle || lines.back() != kJournalEnd) return journal;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const size_t bar = lines[i].find('|');
    if (bar == std::string::npos || bar == 0 || bar + 1 == lines[i].size()) return journal;
    const std::string side = lines[i].substr(0, bar);
    const std::string target = lines[i].substr(bar + 1);
    if (side.find_first_of("/\\") != std::string::npos || target.find_first_of("/\\") != std::string::npos)
      return journal;
    journal.switches.push_back({folder + side, folder + target});
  }
  journal.complete = true;
  return journal;
}

void DeleteIfPresent(const std::string& path) {
  if (FileExists(path)) (void)platform::Files().Delete(path);
}

}  // namespace

std::string PackSideName(const std::string& table_path, const std::string& kind) {
  if (kind == "table") return SiblingFileName(table_path, "$PD");
  if (kind == "memo") return SiblingFileName(table_path, "$PM");
  if (kind == "index") return SiblingFileName(table_path, "$PX");
  return SiblingFileName(table_path, "$PK");
}

bool HasCommittedPack(const std::string& table_path) {
  const std::string journal = PackSideName(table_path, "journal");
  return FileExists(journal) && ReadJournal(journal, Folder(table_path)).complete;
}

void RemovePackSideFiles(const std::string& table_path) {
  // The journal goes first: without it the side files mean nothing, and a
  // crash half-way through this cleanup must not leave a journal that
  // names files already gone.
  DeleteIfPresent(PackSideName(table_path, "journal"));
  for (const char* kind : {"table", "memo", "index"}) DeleteIfPresent(PackSideName(table_path, kind));
}

Status WritePackJournal(const std::string& table_path, const std::vector<FileSwitch>& switches) {
  const std::string path = PackSideName(table_path, "journal");
  std::string text = std::string(kJournalTitle) + "\n";
  for (const FileSwitch& s : switches) text += Leaf(s.side) + "|" + Leaf(s.target) + "\n";
  text += std::string(kJournalEnd) + "\n";
  std::unique_ptr<platform::File> file;
  int rc = platform::Files().Create(path, platform::open_mode::kExclusive, file);
  if (rc == 0) rc = file->WriteAt(0, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  if (rc == 0) rc = file->Flush();
  file.reset();
  if (rc != 0) {
    DeleteIfPresent(path);
    return Status(rc, "Cannot write " + path + " [Pack]");
  }
  return Status::OK();
}

Status ApplyPackJournal(const std::string& table_path) {
  const std::string path = PackSideName(table_path, "journal");
  const Journal journal = ReadJournal(path, Folder(table_path));
  if (!journal.complete) return Status(1, "");
  for (const FileSwitch& s : journal.switches) {
    // A side file already gone was renamed before an earlier attempt
    // stopped; its target is the new file.
    if (!FileExists(s.side)) continue;
    if (const int rc = platform::Files().Rename(s.side, s.target); rc != 0)
      return Status(rc, "Cannot rename " + s.side + " to " + s.target + " [Pack]");
  }
  if (const int rc = platform::Files().Delete(path); rc != 0)
    return Status(rc, "Cannot delete " + path + " [Pack]");
  return Status::OK();
}

Result<PackRecovery> RecoverUnfinishedPack(const std::string& table_path) {
  PackRecovery recovery;
  const std::string journal = PackSideName(table_path, "journal");
  const bool committed = FileExists(journal);
  bool leftovers = committed;
  for (const char* kind : {"table", "memo", "index"})
    leftovers = leftovers || FileExists(PackSideName(table_path, kind));
  if (!leftovers) return recovery;
  // Held until recovery is over, so no other program opens the table
  // half-switched; refused while another program has the table open.
  std::unique_ptr<platform::File> guard;
  if (FileExists(table_path) &&
      platform::Files().Open(table_path, platform::open_mode::kExclusive, guard) != 0)
    return recovery;
  if (!committed || !ReadJournal(journal, Folder(table_path)).complete) {
    RemovePackSideFiles(table_path);
    recovery.undone = true;
    return recovery;
  }
  if (Status s = ApplyPackJournal(table_path); !s.ok()) return s;
  recovery.finished = true;
  return recovery;
}

}  // namespace xb
