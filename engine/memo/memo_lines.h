#pragma once
// Line-oriented access to memos, in the manner of the xBase language: a
// memo is loaded into a line table (GetMemo) and a line table is written
// back as a memo (CloseMemo). MemoText is the text-file variable bound to a
// memo by AssignMemo: it reads a memo line by line, or writes one, and is
// what Locate on memo fields and the dataset's string-list puts use.
//
// Memo text as stored: each line followed by its break (0x0D 0x0A for a
// hard return, 0x8D 0x0A for a soft one), the last line without one; a
// dBASE III memo then ends with 0x1A.
//
// Line table:
//   (1) at most kMaxMemoLines lines of at most kMemoLineWidth characters;
//       longer lines are wrapped after their last space (else cut) into
//       lines with terminator 0, which are stored back without a break, so a
//       load and store never changes the text;
//   (2) terminators: 13 hard return, 141 soft return, 0 wrapped or last;
//   (3) trailing 0x00 bytes of a memo are not text and are not loaded.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/table/hooks.h"
#include "engine/table/status.h"

namespace xb {

struct WorkArea;
struct MemoState;

inline constexpr int kMaxMemoLines = 1024;
inline constexpr size_t kMemoLineWidth = 254;

struct MemoLine {
  std::string text;
  uint8_t terminator = 0;
};

class LineTable {
 public:
  void Clear();
  // Splits `text` into lines, storing at most `limit` (0: kMaxMemoLines).
  void Load(std::string_view text, int limit);
  // Takes written text; false when a new line would pass kMaxMemoLines.
  bool Take(std::string_view piece);
  // The memo text the table stands for.
  std::string Render() const;

  std::vector<MemoLine>& lines() { return lines_; }
  const std::vector<MemoLine>& lines() const { return lines_; }
  const std::string& pending() const { return pending_; }
  bool empty() const { return lines_.empty() && pending_.empty(); }

 private:
  bool EndLine(uint8_t terminator);
  std::vector<MemoLine> lines_;
  std::string pending_;  // written after the last line break
};

// Loads the memo at |block| of `area` into `table`. Block 0: empty table.
Status LoadMemoLines(WorkArea& area, MemoState& memo, int32_t block, int limit, LineTable& table);
// Writes `table` as the memo replacing |old| and returns the new block
// (0 when the table is empty: no memo is written and the old one stays).
Result<int32_t> StoreMemoLines(WorkArea& area, MemoState& memo, int32_t old, const LineTable& table);

// The engine-wide line table and the commands on it (current work area).
LineTable& MemoLines();
bool GetMemo(int32_t block, int limit);
int32_t CloseMemo(int32_t old_block);

// A text-file variable over one memo. Operations return the I/O result
// codes of a text-file runtime: 0 fine, 100 memo not loaded, 101 line not
// stored or written back, 102 not open in that mode, 103 not assigned.
class MemoText {
 public:
  int Reset();    // open for input
  int Rewrite();  // open for output; the block variable becomes 0
  int Append();   // open for output after the memo's last line
  // Next line without its break; false at the end.
  bool ReadLn(std::string& line);
  bool Eof() const;
  int Write(std::string_view text);
  int WriteLn(std::string_view text);
  // Output: writes the memo and stores its block in the block variable.
  int Close();

 private:
  friend int AssignMemo(MemoText& text, int32_t* block_var);
  friend std::unique_ptr<MemoLineSource> OpenMemoLines(WorkArea& area, int32_t block);
  enum class Mode { kClosed, kInput, kOutput };
  int area_number_ = 0;
  int32_t* block_var_ = nullptr;
  int32_t old_block_ = 0;
  Mode mode_ = Mode::kClosed;
  LineTable table_;
  size_t read_pos_ = 0;
};

// Binds `text` to the memo of the current area; `block_var` is read on
// Reset and Append and receives the new block on Close. Non-zero (with the
// error state set) when the current area has no memo file.
int AssignMemo(MemoText& text, int32_t* block_var);

// The memo as a line source for Locate.
std::unique_ptr<MemoLineSource> OpenMemoLines(WorkArea& area, int32_t block);

}  // namespace xb
