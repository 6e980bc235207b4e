#include "richtext/RtfTableReader.h"

#include <algorithm>

#include "richtext/CodePage.h"

namespace qp {

bool isSkippedTableDestination(std::string_view w) {
  return w == "panose" || w == "falt" || w == "leveltext" || w == "levelnumbers" ||
         w == "listname";
}

void RtfTableReader::beginColorTable() {
  tables_.colors.clear();
  red_ = green_ = blue_ = -1;
}

void RtfTableReader::onWord(std::string_view word, int32_t param, RtfGroupState& state) {
  if (isSkippedTableDestination(word)) {
    state.destination = RtfDestination::Skip;
    return;
  }
  switch (state.destination) {
    case RtfDestination::FontTable:
      onFontWord(word, param, state);
      break;
    case RtfDestination::ColorTable: {
      const int v = std::clamp<int32_t>(param, 0, 255);
      if (word == "red") red_ = v;
      if (word == "green") green_ = v;
      if (word == "blue") blue_ = v;
      break;
    }
    case RtfDestination::ListTable:
    case RtfDestination::ListOverrideTable:
      onListWord(word, param, state);
      break;
    default:
      break;
  }
}

void RtfTableReader::onFontWord(std::string_view word, int32_t param, RtfGroupState& state) {
  if (word == "f") {
    commitFont();
    fontNumber_ = param;
  } else if (word == "fcharset") {
    if (font_.codePage == 0) font_.codePage = CodePage::fromCharset(param);
  } else if (word == "cpg") {
    font_.codePage = param;  // \cpg is more precise than \fcharset
  } else if (word == "uc") {
    state.unicodeSkip = std::clamp<int32_t>(param, 0, 8);
  }
}

void RtfTableReader::onListWord(std::string_view word, int32_t param, RtfGroupState& state) {
  auto& lists = tables_.lists;
  auto& overrides = tables_.overrides;
  if (state.destination == RtfDestination::ListOverrideTable) {
    if (word == "listoverride" && int(overrides.size()) < RtfTables::kMaxEntries) {
      overrides.emplace_back();
    } else if (word == "listid" && !overrides.empty()) {
      overrides.back().listId = param;
    } else if (word == "ls" && !overrides.empty()) {
      overrides.back().number = param;
    }
    return;
  }
  if (word == "list" && int(lists.size()) < RtfTables::kMaxEntries) {
    lists.emplace_back();
  } else if (word == "listid" && !lists.empty()) {
    lists.back().id = param;
  } else if (word == "listlevel" && !lists.empty() &&
             int(lists.back().levels.size()) < RtfTables::kMaxListLevels) {
    lists.back().levels.emplace_back();
  } else if ((word == "levelnfc" || word == "levelnfcn") && !lists.empty() &&
             !lists.back().levels.empty()) {
    RtfListStyle style = RtfListStyle::Decimal;
    if (param == 1) style = RtfListStyle::UpperRoman;
    if (param == 2) style = RtfListStyle::LowerRoman;
    if (param == 3) style = RtfListStyle::UpperAlpha;
    if (param == 4) style = RtfListStyle::LowerAlpha;
    if (param == 23 || param == 255) style = RtfListStyle::Bullet;  // bullet, or no number
    lists.back().levels.back().style = style;
  }
}

void RtfTableReader::onFontText(std::string_view bytes) {
  for (char c : bytes) {
    if (c == ';') {
      commitFont();
    } else {
      fontNameBytes_.append(c);
    }
  }
}

void RtfTableReader::onFontCharacter(char16_t c) {
  decodeFontBytes();
  font_.name.append(QChar(c));
}

void RtfTableReader::decodeFontBytes() {
  // Names are written in the font's own code page.
  const CodePage& page =
      CodePage::forNumber(font_.codePage != 0 ? font_.codePage : tables_.codePage);
  for (char c : fontNameBytes_) font_.name.append(QChar(page.decode(uint8_t(c))));
  fontNameBytes_.clear();
}

void RtfTableReader::onColorText(std::string_view bytes) {
  for (char c : bytes)
    if (c == ';') commitColor();
}

void RtfTableReader::commitFont() {
  if (fontNumber_ >= 0 && tables_.fonts.size() < RtfTables::kMaxEntries) {
    decodeFontBytes();
    font_.name = font_.name.trimmed();
    tables_.fonts.insert(fontNumber_, font_);
    ++version_;
  }
  fontNumber_ = -1;
  font_ = RtfFont();
  fontNameBytes_.clear();
}

void RtfTableReader::commitColor() {
  if (int(tables_.colors.size()) < RtfTables::kMaxEntries) {
    if (red_ < 0 && green_ < 0 && blue_ < 0) {
      tables_.colors.emplace_back();  // an empty entry is "auto"
    } else {
      tables_.colors.emplace_back(std::max(red_, 0), std::max(green_, 0), std::max(blue_, 0));
    }
    ++version_;
  }
  red_ = green_ = blue_ = -1;
}

}  // namespace qp
