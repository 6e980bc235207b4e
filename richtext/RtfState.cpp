#include "richtext/RtfState.h"

#include <QList>
#include <algorithm>


namespace qp {

void RtfGroupStack::push() {
  if (int(states_.size()) > kMaxDepth) {
    ++overflow_;
    return;
  }
  states_.push_back(states_.back());
}

bool RtfGroupStack::pop(RtfGroupState* closed) {
  if (overflow_ > 0) {
    --overflow_;
    *closed = states_.back();
    return true;
  }
  if (states_.size() <= 1) return false;
  *closed = std::move(states_.back());
  states_.pop_back();
  return true;
}

int RtfTables::codePageFor(const RtfCharState& chars) const {
  const int index = chars.font >= 0 ? chars.font : defaultFont;
  auto it = fonts.constFind(index);
  if (it != fonts.constEnd() && it->codePage != 0) return it->codePage;
  return codePage;
}

QColor RtfTables::color(int index) const {
  if (index <= 0 || index >= int(colors.size())) return QColor();
  return colors[size_t(index)];
}

RtfListStyle RtfTables::listStyle(const RtfParaState& para) const {
  if (para.listOverride > 0) {
    for (const RtfListOverride& o : overrides) {
      if (o.number != para.listOverride) continue;
      for (const RtfList& list : lists) {
        if (list.id != o.listId) continue;
        if (para.listLevel >= 0 && para.listLevel < int(list.levels.size()))
          return list.levels[size_t(para.listLevel)].style;
        break;
      }
      break;
    }
    // A paragraph that names a list the tables do not describe is still a
    // list item; a bullet is the least surprising way to show it.
    return RtfListStyle::Bullet;
  }
  return para.numbering;
}

QTextCharFormat toCharFormat(const RtfCharState& chars, const RtfTables& tables,
                             const std::vector<QString>& links) {
  QTextCharFormat format;
  const int index = chars.font >= 0 ? chars.font : tables.defaultFont;
  auto font = tables.fonts.constFind(index);
  if (font != tables.fonts.constEnd() && !font->name.isEmpty())
    format.setFontFamilies(QStringList{font->name});
  format.setFontPointSize(chars.halfPoints / 2.0);
  if (chars.bold) format.setFontWeight(QFont::Bold);
  if (chars.italic) format.setFontItalic(true);
  if (chars.underline) format.setFontUnderline(true);
  if (chars.strike) format.setFontStrikeOut(true);
  if (QColor fg = tables.color(chars.foreground); fg.isValid()) format.setForeground(fg);
  if (QColor bg = tables.color(chars.background); bg.isValid()) format.setBackground(bg);
  if (chars.vertical > 0) format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
  if (chars.vertical < 0) format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
  if (chars.link > 0 && chars.link <= int(links.size())) {
    format.setAnchor(true);
    format.setAnchorHref(links[size_t(chars.link - 1)]);
  }
  return format;
}

QTextBlockFormat toBlockFormat(const RtfParaState& para, int listLevel) {
  const bool inList = listLevel >= 0;
  QTextBlockFormat format;
  format.setAlignment(para.alignment);
  double left = para.leftTwips / kTwipsPerPixel;
  // A list draws its own indent of one step per level (QTextDocument's
  // indentWidth, 40 px); the paragraph keeps only what lies beyond it, so
  // the item lands where the writer of the RTF put it.
  if (inList) left = std::max(0.0, left - 40.0 * (listLevel + 1));
  format.setLeftMargin(left);
  format.setRightMargin(para.rightTwips / kTwipsPerPixel);
  if (!inList) format.setTextIndent(para.firstTwips / kTwipsPerPixel);
  format.setTopMargin(para.beforeTwips / kTwipsPerPixel);
  format.setBottomMargin(para.afterTwips / kTwipsPerPixel);
  if (!para.tabs.empty()) {
    QList<QTextOption::Tab> tabs;
    for (const RtfTabStop& stop : para.tabs)
      tabs.append(QTextOption::Tab(stop.twips / kTwipsPerPixel, stop.type));
    format.setTabPositions(tabs);
  }
  return format;
}

QTextListFormat::Style toListStyle(RtfListStyle style) {
  switch (style) {
    case RtfListStyle::Bullet: return QTextListFormat::ListDisc;
    case RtfListStyle::Decimal: return QTextListFormat::ListDecimal;
    case RtfListStyle::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case RtfListStyle::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case RtfListStyle::LowerRoman: return QTextListFormat::ListLowerRoman;
    case RtfListStyle::UpperRoman: return QTextListFormat::ListUpperRoman;
    case RtfListStyle::None: break;
  }
  return QTextListFormat::ListStyleUndefined;
}

}  // namespace qp
