#pragma once
// RtfTableReader fills RtfTables from the header destinations of an RTF
// document: the font table (names, charsets, code pages), the colour table
// and the Word 97 list and list-override tables. It sees only the words and
// text the reader routes to it while such a destination is open.
//
// Promises: no table grows past RtfTables::kMaxEntries entries (lists past
// kMaxListLevels levels), and version() changes whenever a font or colour
// is added, so cached character formats know to rebuild.
#include <QByteArray>
#include <cstdint>
#include <string_view>

#include "richtext/RtfState.h"

namespace qp {

class RtfTableReader {
 public:
  explicit RtfTableReader(RtfTables& tables) : tables_(tables) {}

  void beginFontTable() { fontNumber_ = -1; }
  void beginColorTable();
  // A word inside one of the table destinations. May switch the group to
  // Skip for sub-destinations that carry nothing we use (\panose, \leveltext).
  void onWord(std::string_view word, int32_t param, RtfGroupState& state);
  void onFontText(std::string_view bytes);
  void onFontByte(uint8_t byte) { fontNameBytes_.append(char(byte)); }
  // A font name character given as \uN.
  void onFontCharacter(char16_t c);
  void onColorText(std::string_view bytes);
  void commitFont();
  int version() const { return version_; }

 private:
  void onFontWord(std::string_view word, int32_t param, RtfGroupState& state);
  void onListWord(std::string_view word, int32_t param, RtfGroupState& state);
  void commitColor();
  void decodeFontBytes();

  RtfTables& tables_;
  int version_ = 0;
  int fontNumber_ = -1;
  RtfFont font_;
  QByteArray fontNameBytes_;
  int red_ = -1, green_ = -1, blue_ = -1;
};

// Destinations inside the header tables that carry nothing we read.
bool isSkippedTableDestination(std::string_view word);

}  // namespace qp
