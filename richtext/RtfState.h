#pragma once
// RtfState holds what an RTF reader knows at a point of the input: the
// formatting of the current group (character, paragraph, destination) and the
// document-wide tables the header declared (fonts, colours, lists). It also
// turns that state into the Qt formats the document builder applies.
//
// Invariants kept by RtfGroupStack:
//   (1) at most kMaxDepth states are stored; deeper groups are counted, not
//       stored, and share the innermost stored state, so memory stays bounded
//       for any nesting depth;
//   (2) closing more groups than were opened leaves the outermost state in
//       place (stray '}' are ignored).
// Every table caps its entry count (kMaxEntries) for the same reason.
#include <QColor>
#include <QHash>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextListFormat>
#include <QTextOption>
#include <vector>

namespace qp {

enum class RtfDestination {
  Text,            // document text (also field results)
  Skip,            // ignored content: unknown \* destinations, stylesheet, info, ...
  FontTable,
  ColorTable,
  Picture,
  ListTable,
  ListOverrideTable,
  ParagraphNumbering,  // {\*\pn ...}
  FieldInstruction,
};

enum class RtfListStyle { None, Bullet, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

struct RtfCharState {
  int font = -1;         // -1: the document's default font
  int halfPoints = 24;   // \fs, RTF's default of 12 pt
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  bool hidden = false;
  int foreground = 0;    // colour table index; 0 is "auto"
  int background = 0;    // colour table index; 0 is none
  int vertical = 0;      // 1 superscript, -1 subscript
  int link = 0;          // index + 1 into the reader's hyperlink targets

  bool operator==(const RtfCharState&) const = default;
};

struct RtfTabStop {
  int twips = 0;
  QTextOption::TabType type = QTextOption::LeftTab;
};

struct RtfParaState {
  static constexpr int kMaxTabs = 64;

  Qt::Alignment alignment = Qt::AlignLeft;
  int leftTwips = 0;
  int rightTwips = 0;
  int firstTwips = 0;
  int beforeTwips = 0;
  int afterTwips = 0;
  std::vector<RtfTabStop> tabs;
  QTextOption::TabType nextTabType = QTextOption::LeftTab;
  int listOverride = 0;  // \lsN, 0 = none
  int listLevel = 0;     // \ilvlN
  RtfListStyle numbering = RtfListStyle::None;  // from {\*\pn ...}
  int numberingLevel = 0;
};

struct RtfGroupState {
  RtfDestination destination = RtfDestination::Text;
  RtfCharState chars;
  RtfParaState para;
  int unicodeSkip = 1;  // \ucN
};

class RtfGroupStack {
 public:
  static constexpr int kMaxDepth = 256;

  RtfGroupStack() { states_.emplace_back(); }
  RtfGroupState& top() { return states_.back(); }
  const RtfGroupState& top() const { return states_.back(); }
  void push();
  // Returns the state of the closed group (a copy of the innermost one for
  // groups past the depth cap), or nothing for a stray '}'.
  bool pop(RtfGroupState* closed);
  int depth() const { return int(states_.size()) - 1 + overflow_; }
  int storedDepth() const { return int(states_.size()) - 1; }

 private:
  std::vector<RtfGroupState> states_;
  int overflow_ = 0;
};

struct RtfFont {
  QString name;
  int codePage = 0;  // 0: the document's code page
};

struct RtfListLevel {
  RtfListStyle style = RtfListStyle::Bullet;
};

struct RtfList {
  int id = 0;
  std::vector<RtfListLevel> levels;
};

struct RtfListOverride {
  int listId = 0;
  int number = 0;  // the \lsN paragraphs refer to
};

struct RtfTables {
  static constexpr int kMaxEntries = 4096;
  static constexpr int kMaxListLevels = 9;

  int codePage = 1252;   // \ansicpgN, \pc, \pca
  int defaultFont = 0;   // \deffN; readers take font 0 when it is absent
  QHash<int, RtfFont> fonts;
  std::vector<QColor> colors;  // an invalid colour is "auto"
  std::vector<RtfList> lists;
  std::vector<RtfListOverride> overrides;

  int codePageFor(const RtfCharState& chars) const;
  QColor color(int index) const;
  RtfListStyle listStyle(const RtfParaState& para) const;
};

// Conversions to Qt. Lengths go from twips to document pixels at 96 dpi
// (15 twips per pixel), the unit QTextDocument lays out in on screen.
constexpr double kTwipsPerPixel = 15.0;

QTextCharFormat toCharFormat(const RtfCharState& chars, const RtfTables& tables,
                             const std::vector<QString>& links);
// listLevel is the paragraph's list level, or -1 outside lists.
QTextBlockFormat toBlockFormat(const RtfParaState& para, int listLevel);
QTextListFormat::Style toListStyle(RtfListStyle style);

}  // namespace qp
