#pragma once
// Operation tables through which the table layer reaches the layers above it
// (expressions, indexes, memo files) without depending on them. Each layer
// installs its table at start-up; with a table not installed the table layer
// works without that layer: no filters, natural order only, no memo file.
// The hooks act on the area they are given, which is always the current one.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/table/status.h"

namespace xb {

struct WorkArea;

// State a layer keeps per work area (a compiled filter, the open index
// file, the memo file). Owned by the WorkArea, destroyed when it closes.
class AreaExtension {
 public:
  virtual ~AreaExtension() = default;
};

class ParserHooks {
 public:
  virtual ~ParserHooks() = default;
  // Compiles a logical expression against `area`; nullptr with the error
  // state set when it does not compile.
  virtual std::unique_ptr<AreaExtension> CompileFilter(WorkArea& area, const std::string& text) = 0;
  // Evaluates a compiled filter on the area's current record.
  virtual bool EvaluateFilter(WorkArea& area, AreaExtension& filter) = 0;
};

class IndexHooks {
 public:
  virtual ~IndexHooks() = default;
  virtual bool IndexActive(WorkArea& area) = 0;
  virtual int32_t IndexFirst(WorkArea& area) = 0;
  virtual int32_t IndexLast(WorkArea& area) = 0;
  virtual int32_t IndexNext(WorkArea& area) = 0;
  virtual int32_t IndexPrev(WorkArea& area) = 0;
  virtual bool IndexAtEOF(WorkArea& area) = 0;
  virtual bool IndexAtBOF(WorkArea& area) = 0;
  virtual void IndexSync(WorkArea& area) = 0;
  virtual void IndexAfterMove(WorkArea& area) = 0;
  virtual void IndexOnBOF(WorkArea& area) = 0;
  virtual void IndexOnEOF(WorkArea& area) = 0;
  virtual void IndexSetMoving(WorkArea& area, bool on) = 0;
  // Key maintenance. Each returns false with the error state set when it
  // could not do its part; the table layer must then report the write as
  // failed, or a tag would silently miss a record or keep an old key.
  [[nodiscard]] virtual bool IndexSetUpdating(WorkArea& area, bool on) = 0;
  [[nodiscard]] virtual bool IndexAddKeys(WorkArea& area) = 0;
  [[nodiscard]] virtual bool IndexBeforeReplace(WorkArea& area) = 0;
  [[nodiscard]] virtual bool IndexAfterReplace(WorkArea& area) = 0;
  virtual void IndexClose(WorkArea& area) = 0;
  virtual void IndexReindex(WorkArea& area) = 0;

  // Pack support. Pack builds the packed index beside the old one and
  // switches files itself, so it needs the open index's name and order and
  // a way to open it again afterwards. Layers without index files keep the
  // defaults.
  struct OpenIndex {
    std::string file;   // full path; empty when no index file is open
    std::string order;  // controlling tag; empty for natural order
  };
  virtual OpenIndex IndexOpenState(WorkArea& /*area*/) { return {}; }
  // Builds every tag of the open index into `side_name` for the table as
  // Pack leaves it: deleted records dropped, the others numbered from 1 in
  // file order. False with the error state set; the open index is closed
  // either way.
  virtual bool IndexBuildPacked(WorkArea& /*area*/, const std::string& /*side_name*/) { return true; }
  // Opens the index again after Pack switched files.
  virtual bool IndexReopen(WorkArea& /*area*/, const OpenIndex& /*state*/) { return true; }
};

// A memo's text read line by line (Locate on memo fields).
class MemoLineSource {
 public:
  virtual ~MemoLineSource() = default;
  // Next line without its line end; false at the end of the text.
  virtual bool NextLine(std::string& line) = 0;
};

// Copies the memos of the records Pack keeps into a new memo file beside
// the old one; Pack renames it over the old file once everything is built.
class MemoRepacker {
 public:
  // Deletes the new file unless Finish succeeded.
  virtual ~MemoRepacker() = default;
  // Copies the memos that `image` (the record numbered `record` before the
  // Pack) refers to and writes their new block numbers into `image`. A memo
  // that cannot be read is noted, not fatal, so that Finish can name every
  // such record.
  virtual Status CopyMemos(std::span<uint8_t> image, int32_t record) = 0;
  // Flushes and closes the new file; fails, naming the records, when any
  // memo could not be read.
  virtual Status Finish() = 0;
  // The new file, and the memo file it is to replace.
  virtual const std::string& side_name() const = 0;
  virtual const std::string& target_name() const = 0;
};

class MemoHooks {
 public:
  virtual ~MemoHooks() = default;
  // Opens the memo file of a table being opened; `table_base` is the table
  // file name without extension. False with the error state set.
  [[nodiscard]] virtual bool OpenMemo(WorkArea& area, const std::string& table_base) = 0;
  // False with the error state set when what was pending could not be
  // written back.
  [[nodiscard]] virtual bool CloseMemo(WorkArea& area) = 0;
  // Starts copying the area's memos into the new memo file `side_name`;
  // nullptr (no error) when the area has no memo file open.
  virtual Result<std::unique_ptr<MemoRepacker>> StartMemoPack(WorkArea& /*area*/,
                                                              const std::string& /*side_name*/) {
    return std::unique_ptr<MemoRepacker>();
  }
  // Creates the memo file for a new table (the table's name, its version
  // byte, block size and a caller label for messages).
  [[nodiscard]] virtual bool CreateMemo(const std::string& table_name, uint8_t version, int block_size,
                          const std::string& caller) = 0;
  // The memo whose block number is `block` as a line source; nullptr when
  // the memo cannot be read (error state set).
  virtual std::unique_ptr<MemoLineSource> OpenLines(WorkArea& area, int32_t block) = 0;
};

// Install (or with nullptr remove) a layer's table. The caller keeps it alive.
void InstallParserHooks(ParserHooks* hooks);
void InstallIndexHooks(IndexHooks* hooks);
void InstallMemoHooks(MemoHooks* hooks);
ParserHooks* InstalledParserHooks();
IndexHooks* InstalledIndexHooks();
MemoHooks* InstalledMemoHooks();

}  // namespace xb
