// The index and filter operations of the table component: preparing the
// index file when the table opens, the order commands, Find, Locate and
// SetFilterTo.
#include "engine/dataset/dataset_index.h"

#include <cctype>
#include <memory>

#include "engine/dataset/uxbfds.h"
#include "engine/index/index_build.h"
#include "engine/index/index_open.h"
#include "engine/index/index_search.h"
#include "engine/table/files.h"
#include "engine/table/strings.h"
#include "engine/table/xbase.h"
#include "engine/table/xbmsg.h"

namespace xb {

TagDefinition ParseIndexListTag(const std::string& definition, const std::string& for_line) {
  TagDefinition def;
  const size_t comma = definition.find(',');
  def.name = definition.substr(0, std::min(comma, definition.size())).substr(0, kMaxTagName);
  if (comma != std::string::npos) {
    auto at = [&](size_t k) { return comma + k < definition.size() ? definition[comma + k] : '\0'; };
    def.descending = at(1) == 'T';
    def.unique = at(3) == 'T';
    if (comma + 5 < definition.size()) def.key_expression = definition.substr(comma + 5, kMaxTagExpression);
  }
  def.for_expression = for_line.substr(0, kMaxTagExpression);
  return def;
}

std::vector<TagDefinition> TagDefinitionsFromIndexList(const std::vector<std::string>& lines) {
  std::vector<TagDefinition> defs;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) defs.push_back(ParseIndexListTag(lines[i], lines[i + 1]));
  return defs;
}

std::string IndexSemaphoreName(const std::string& table_name) { return ForceExt(table_name, "@S@"); }

std::string IndexFileNameOf(const std::string& table_name) {
  // The extension's letter case follows the table's, so "notes.dbf" is
  // indexed by "notes.mdx" on file systems that tell case apart.
  const std::string ext = SplitName(table_name).extension;
  const bool lower = ext.size() > 1 && std::islower(static_cast<unsigned char>(ext[1]));
  return ForceExt(table_name, lower ? "mdx" : "MDX");
}

namespace {

// Restores ReportErrors when the preparation ends, on every path.
class ReportErrorsOffScope {
 public:
  ReportErrorsOffScope() : previous_(SetReportErrors(false)) {}
  ~ReportErrorsOffScope() { SetReportErrors(previous_); }

 private:
  bool previous_;
};

bool SameLines(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

}  // namespace

// ---- Preparing the index on open ----

void TXbFileDataSet::PrepareIndex() {
  if (!IsRuntime()) return;
  TCreateIndexType mode = create_index_;
  if (index_list_.size() >= 2) {
    SetProductionIndexFlag(true);
  } else if (HasProductionIndex()) {
    mode = TCreateIndexType::ciNever;
  } else {
    return;
  }
  const std::string index_file = IndexFileNameOf(dbf_file_name_);
  if (mode == TCreateIndexType::ciNever) {
    xb::SetIndexTo(index_file);
    return;
  }
  bool build = false;
  {
    ReportErrorsOffScope quiet;
    if (FileExists(index_file)) {
      if (mode == TCreateIndexType::ciAlways || mode == TCreateIndexType::ciVerifyHeader) {
        const std::string semaphore = IndexSemaphoreName(dbf_file_name_);
        // A semaphore file left from an earlier day is a leftover of a
        // program that ended without cleaning up, not a user.
        if (FileExists(semaphore) && !IsFileDateToday(semaphore)) EraseFiles(semaphore);
        if (FileExists(semaphore)) mode = TCreateIndexType::ciNotFound;
      }
      ClearErrorCode();
      if (mode == TCreateIndexType::ciAlways) {
        build = true;
      } else if (mode == TCreateIndexType::ciVerifyHeader) {
        build = !SameLines(ReadTagDefinitions(index_file), index_list_);
        ClearErrorCode();
      }
      if (!build) {
        xb::SetIndexTo(index_file);
        const int code = ErrorCode();
        if (code == 2 || code == 222 || code == 223) {
          ClearErrorCode();
          build = true;
        }
      }
    } else {
      build = true;
    }
  }
  if (build) BuildIndex(index_file);
}

void TXbFileDataSet::BuildIndex(const std::string& index_file) {
  const std::vector<TagDefinition> defs = TagDefinitionsFromIndexList(index_list_);
  bool can_make = true;
  if (OnBeforeMakeIndex) OnBeforeMakeIndex(index_file, can_make);
  if (!can_make) {
    SetProductionIndexFlag(false);
    return;
  }
  std::unique_ptr<TXbProgress100> progress;
  if (show_progress_) {
    progress = std::make_unique<TXbProgress100>("Indexing " + index_file + "...");
    TXbProgress100* bar = progress.get();
    SetIndexProgress([bar] { bar->Step(); }, 100);
  }
  ClearErrorCode();
  MakeIndex(defs, index_file);
  SetIndexProgress(nullptr, 0);
  progress.reset();
  if (OnAfterMakeIndex) OnAfterMakeIndex(index_file);
  if (ErrorCode() == 0) xb::SetIndexTo(index_file);
}

// ---- Orders ----

bool TXbDbf::SetIndexTo(const std::string& name) {
  if (!CheckOpen("SetIndexTo")) return false;
  SyncCursor();
  ClearErrorCode();
  const bool result = xb::SetIndexTo(name);
  ResyncFromEngine();
  return result;
}

void TXbDbf::SetOrderTo(int n) {
  if (!CheckOpen("SetOrderTo")) return;
  SyncCursor();
  ClearErrorCode();
  xb::Set_Order_To(n);
  ResyncFromEngine();
}

bool TXbDbf::SetOrderToTag(const std::string& name) {
  if (!CheckOpen("SetOrderToTag")) return false;
  SyncCursor();
  ClearErrorCode();
  const bool result = xb::SetOrderToTag(name.substr(0, kMaxTagName));
  ResyncFromEngine();
  return result;
}

std::string TXbDbf::CurrentTag() {
  if (!CheckOpen("CurrentTag")) return "";
  return CurrentTagName().substr(0, kMaxTagName);
}

// ---- Searching ----

bool TXbFileDataSet::FindWith(const std::string& key, bool exact) {
  if (!CheckOpen(exact ? "FindExact" : "Find")) return false;
  ClearErrorCode();
  const std::string text = key.substr(0, 100);
  const bool found = exact ? xb::FindExact(text) : xb::Find(text);
  if (xb::dEOF())
    Last();
  else
    ResyncFromEngine();
  return found;
}

bool TXbFileDataSet::Find(const std::string& key) { return FindWith(key, false); }
bool TXbFileDataSet::FindExact(const std::string& key) { return FindWith(key, true); }

namespace {

// An index file open in natural order navigates by record number: no tag
// controls the order, so there is nothing for Find to seek in.
bool IndexOrderActive() {
  IndexHooks* hooks = InstalledIndexHooks();
  WorkArea* area = CurrentArea();
  return hooks != nullptr && area != nullptr && hooks->IndexActive(*area) && CurrentOrder() != 0;
}

std::string VariantText(const std::vector<TVariant>& values) {
  std::string text;
  for (const TVariant& v : values) {
    if (const auto* s = std::get_if<std::string>(&v)) text += *s;
    else if (const auto* i = std::get_if<int32_t>(&v)) text += std::to_string(*i);
    else if (const auto* d = std::get_if<double>(&v)) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.15g", *d);
      text += buf;
    } else if (const auto* b = std::get_if<bool>(&v)) text += *b ? "True" : "False";
  }
  return text;
}

}  // namespace

bool TXbFileDataSet::Locate(const std::string& key_fields, const std::vector<TVariant>& key_values,
                            TLocateOptions options) {
  if (!CheckOpen("Locate")) return false;
  if (!IndexOrderActive()) return FrameworkLocate(key_fields, key_values, options);
  const std::string text = VariantText(key_values);
  return options.partial_key ? Find(text) : FindExact(text);
}

bool TXbFileDataSet::IsSequenced() {
  if (Filtered()) return false;
  if (!Active() || !CheckOpen("IsSequenced")) return true;
  return !IndexOrderActive();
}

// ---- Filter ----

void TXbCDataSet::SetFilterTo(const std::string& expression) {
  if (!CheckOpen("SetFilterTo")) return;
  SyncCursor();
  ClearErrorCode();
  xb::Set_Filter_To(expression);
  // A text that does not compile leaves the engine without filter; the
  // framework must not claim one.
  if (ErrorCode() != 0) {
    SetFilterState(false, "");
    return;
  }
  SetFilterState(!expression.empty(), expression);
  if (xb::FilterPasses())
    ResyncFromEngine();
  else
    Last();
}

}  // namespace xb
