#include "richtext/RtfControlWords.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace qp {
namespace {

enum class Word {
  Bold, Italic, Underline, UnderlineNone, Strike, Hidden, Font, FontSize, Foreground,
  Background, Super, Sub, NoSuperSub, Plain,
  ParagraphDefault, AlignLeft, AlignRight, AlignCenter, AlignJustify, LeftIndent,
  RightIndent, FirstIndent, SpaceBefore, SpaceAfter, TabPosition, BarTab, TabRight,
  TabCenter, TabDecimal, ListOverride, ListLevel,
  NumberBullet, NumberBody, NumberLevel, NumberContinue, NumberDecimal, NumberUpperAlpha,
  NumberLowerAlpha, NumberUpperRoman, NumberLowerRoman, Ignored,
};

const std::unordered_map<std::string_view, Word>& words() {
  static const std::unordered_map<std::string_view, Word> table = {
      {"b", Word::Bold}, {"i", Word::Italic}, {"ul", Word::Underline},
      {"uld", Word::Underline}, {"uldb", Word::Underline}, {"ulw", Word::Underline},
      {"ulwave", Word::Underline}, {"uldash", Word::Underline}, {"uldashd", Word::Underline},
      {"uldashdd", Word::Underline}, {"ulth", Word::Underline}, {"ulthd", Word::Underline},
      {"ulhwave", Word::Underline}, {"ululdbwave", Word::Underline},
      {"ulldash", Word::Underline}, {"ulthdash", Word::Underline},
      {"ulthldash", Word::Underline}, {"ulnone", Word::UnderlineNone},
      {"strike", Word::Strike}, {"striked", Word::Strike}, {"v", Word::Hidden},
      {"f", Word::Font}, {"fs", Word::FontSize}, {"cf", Word::Foreground},
      {"cb", Word::Background}, {"highlight", Word::Background},
      {"chcbpat", Word::Background}, {"super", Word::Super}, {"sub", Word::Sub},
      {"nosupersub", Word::NoSuperSub}, {"plain", Word::Plain},
      {"pard", Word::ParagraphDefault}, {"ql", Word::AlignLeft}, {"qr", Word::AlignRight},
      {"qc", Word::AlignCenter}, {"qj", Word::AlignJustify}, {"qd", Word::AlignJustify},
      {"li", Word::LeftIndent}, {"lin", Word::LeftIndent}, {"ri", Word::RightIndent},
      {"rin", Word::RightIndent}, {"fi", Word::FirstIndent}, {"sb", Word::SpaceBefore},
      {"sa", Word::SpaceAfter}, {"tx", Word::TabPosition}, {"tb", Word::BarTab},
      {"tqr", Word::TabRight}, {"tqc", Word::TabCenter}, {"tqdec", Word::TabDecimal},
      {"ls", Word::ListOverride}, {"ilvl", Word::ListLevel},
      {"pnlvlblt", Word::NumberBullet}, {"pnlvlbody", Word::NumberBody},
      {"pnlvl", Word::NumberLevel}, {"pnlvlcont", Word::NumberContinue},
      {"pndec", Word::NumberDecimal}, {"pnucltr", Word::NumberUpperAlpha},
      {"pnlcltr", Word::NumberLowerAlpha}, {"pnucrm", Word::NumberUpperRoman},
      {"pnlcrm", Word::NumberLowerRoman},
      // Words that touch state we do not model but must not fall through to
      // the reader as unknown destinations or text.
      {"intbl", Word::Ignored}, {"lang", Word::Ignored}, {"langfe", Word::Ignored},
      {"langnp", Word::Ignored}, {"kerning", Word::Ignored}, {"expnd", Word::Ignored},
      {"expndtw", Word::Ignored}, {"charscalex", Word::Ignored}, {"sl", Word::Ignored},
      {"slmult", Word::Ignored}, {"widctlpar", Word::Ignored}, {"nowidctlpar", Word::Ignored},
      {"ltrpar", Word::Ignored}, {"ltrch", Word::Ignored}, {"rtlch", Word::Ignored},
      {"loch", Word::Ignored}, {"hich", Word::Ignored}, {"dbch", Word::Ignored},
      {"af", Word::Ignored}, {"afs", Word::Ignored}, {"alang", Word::Ignored},
      {"s", Word::Ignored}, {"cs", Word::Ignored}, {"outlinelevel", Word::Ignored},
      {"pnf", Word::Ignored}, {"pnfs", Word::Ignored}, {"pnindent", Word::Ignored},
      {"pnstart", Word::Ignored}, {"pnsp", Word::Ignored}, {"pnhang", Word::Ignored},
      {"aspalpha", Word::Ignored}, {"aspnum", Word::Ignored}, {"faauto", Word::Ignored},
      {"adjustright", Word::Ignored}, {"insrsid", Word::Ignored}, {"charrsid", Word::Ignored},
      {"pararsid", Word::Ignored}, {"rtlpar", Word::Ignored}, {"itap", Word::Ignored},
  };
  return table;
}

int clampTwips(int32_t value) { return std::clamp<int32_t>(value, -31680, 31680); }
bool toggleOn(bool hasParam, int32_t param) { return !hasParam || param != 0; }

void setNumbering(RtfParaState& para, RtfListStyle style) {
  // Style words refine a numbered level; they never turn a bullet into a number.
  if (para.numbering != RtfListStyle::Bullet) para.numbering = style;
}

}  // namespace

bool applyFormattingWord(std::string_view word, bool hasParam, int32_t param,
                         RtfGroupState& state) {
  auto it = words().find(word);
  if (it == words().end()) return false;
  RtfCharState& chars = state.chars;
  RtfParaState& para = state.para;
  const int index = std::clamp<int32_t>(param, 0, RtfTables::kMaxEntries);
  switch (it->second) {
    case Word::Bold: chars.bold = toggleOn(hasParam, param); break;
    case Word::Italic: chars.italic = toggleOn(hasParam, param); break;
    case Word::Underline: chars.underline = toggleOn(hasParam, param); break;
    case Word::UnderlineNone: chars.underline = false; break;
    case Word::Strike: chars.strike = toggleOn(hasParam, param); break;
    case Word::Hidden: chars.hidden = toggleOn(hasParam, param); break;
    case Word::Font: chars.font = hasParam ? param : -1; break;
    case Word::FontSize:
      // fs0 is what some writers put for "default"; keep the default then.
      chars.halfPoints = param > 0 ? std::clamp<int32_t>(param, 2, 3276) : 24;
      break;
    case Word::Foreground: chars.foreground = index; break;
    case Word::Background: chars.background = index; break;
    case Word::Super: chars.vertical = 1; break;
    case Word::Sub: chars.vertical = -1; break;
    case Word::NoSuperSub: chars.vertical = 0; break;
    case Word::Plain: {
      const int link = chars.link;  // \plain inside a field result keeps the link
      chars = RtfCharState();
      chars.link = link;
      break;
    }
    case Word::ParagraphDefault: para = RtfParaState(); break;
    case Word::AlignLeft: para.alignment = Qt::AlignLeft; break;
    case Word::AlignRight: para.alignment = Qt::AlignRight; break;
    case Word::AlignCenter: para.alignment = Qt::AlignHCenter; break;
    case Word::AlignJustify: para.alignment = Qt::AlignJustify; break;
    case Word::LeftIndent: para.leftTwips = clampTwips(param); break;
    case Word::RightIndent: para.rightTwips = clampTwips(param); break;
    case Word::FirstIndent: para.firstTwips = clampTwips(param); break;
    case Word::SpaceBefore: para.beforeTwips = std::max(0, clampTwips(param)); break;
    case Word::SpaceAfter: para.afterTwips = std::max(0, clampTwips(param)); break;
    case Word::TabRight: para.nextTabType = QTextOption::RightTab; break;
    case Word::TabCenter: para.nextTabType = QTextOption::CenterTab; break;
    case Word::TabDecimal: para.nextTabType = QTextOption::DelimiterTab; break;
    case Word::TabPosition:
    case Word::BarTab:
      if (int(para.tabs.size()) < RtfParaState::kMaxTabs)
        para.tabs.push_back({std::max(0, clampTwips(param)), para.nextTabType});
      para.nextTabType = QTextOption::LeftTab;
      break;
    case Word::ListOverride: para.listOverride = index; break;
    case Word::ListLevel: para.listLevel = std::clamp<int32_t>(param, 0, RtfTables::kMaxListLevels - 1); break;
    case Word::NumberBullet: para.numbering = RtfListStyle::Bullet; break;
    case Word::NumberBody: para.numbering = RtfListStyle::Decimal; break;
    case Word::NumberLevel:
      para.numbering = RtfListStyle::Decimal;
      para.numberingLevel = std::clamp<int32_t>(param - 1, 0, RtfTables::kMaxListLevels - 1);
      break;
    case Word::NumberContinue: para.numbering = RtfListStyle::None; break;
    case Word::NumberDecimal: setNumbering(para, RtfListStyle::Decimal); break;
    case Word::NumberUpperAlpha: setNumbering(para, RtfListStyle::UpperAlpha); break;
    case Word::NumberLowerAlpha: setNumbering(para, RtfListStyle::LowerAlpha); break;
    case Word::NumberUpperRoman: setNumbering(para, RtfListStyle::UpperRoman); break;
    case Word::NumberLowerRoman: setNumbering(para, RtfListStyle::LowerRoman); break;
    case Word::Ignored: break;
  }
  return true;
}

}  // namespace qp
