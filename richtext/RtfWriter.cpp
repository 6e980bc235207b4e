#include "richtext/RtfWriter.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextList>
#include <QUrl>
#include <cmath>
#include <vector>

#include "richtext/CodePage.h"

namespace qp {
namespace {

constexpr double kTwipsPerPixel = 15.0;
constexpr double kListIndentPixels = 40.0;  // QTextDocument's default indentWidth

int twips(double pixels) { return int(std::lround(pixels * kTwipsPerPixel)); }

void appendNumber(QByteArray& out, const char* word, long long value) {
  out += word;
  out += QByteArray::number(value);
}

// Text in the 1252 code page: ASCII as is, the upper half as \'xx and
// everything else as \uN followed by its one-byte fallback (\uc1).
void appendText(QByteArray& out, QStringView text) {
  const CodePage& page = CodePage::forNumber(1252);
  for (const QChar qc : text) {
    const char16_t c = qc.unicode();
    switch (c) {
      case u'\\': out += "\\\\"; continue;
      case u'{': out += "\\{"; continue;
      case u'}': out += "\\}"; continue;
      case u'\t': out += "\\tab "; continue;
      case 0x2028: case 0x2029: case u'\n': out += "\\line "; continue;
      case 0x00A0: out += "\\~"; continue;
      case 0x00AD: out += "\\-"; continue;
      case 0x2011: out += "\\_"; continue;
      case QChar::ObjectReplacementCharacter: continue;
      default: break;
    }
    if (c < 0x20) continue;
    if (c < 0x80) {
      out += char(c);
      continue;
    }
    const int byte = page.encode(c);
    if (byte >= 0) {
      out += "\\'";
      out += QByteArray::number(byte, 16).rightJustified(2, '0');
    } else {
      appendNumber(out, "\\u", c > 0x7FFF ? int(c) - 0x10000 : int(c));
      out += '?';
    }
  }
}

QStringList familiesOf(const QTextCharFormat& format) {
  QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
  families.removeAll(QString());
  return families;
}

class Writer {
 public:
  explicit Writer(const QTextDocument& document) : document_(document) {}
  QByteArray run();

 private:
  QString familyOf(const QTextCharFormat& format) const;
  int fontIndex(const QString& family);
  int colorIndex(const QColor& color);
  void writeBlock(const QTextBlock& block);
  void writeParagraphProperties(const QTextBlock& block);
  void writeRun(const QTextFragment& fragment);
  void writeImage(const QTextImageFormat& format);
  QByteArray header() const;

  const QTextDocument& document_;
  QStringList fonts_;
  std::vector<QColor> colors_;
  int symbolFont_ = -1;
  QByteArray body_;
};

QString Writer::familyOf(const QTextCharFormat& format) const {
  const QStringList families = familiesOf(format);
  if (!families.isEmpty()) return families.first();
  const QString family = format.property(QTextFormat::FontFamily).toString();
  return family.isEmpty() ? document_.defaultFont().family() : family;
}

int Writer::fontIndex(const QString& family) {
  qsizetype i = fonts_.indexOf(family);
  if (i < 0) {
    fonts_.append(family);
    i = fonts_.size() - 1;
  }
  return int(i);
}

int Writer::colorIndex(const QColor& color) {
  const QColor rgb = color.toRgb();
  for (size_t i = 0; i < colors_.size(); ++i)
    if (colors_[i].rgb() == rgb.rgb()) return int(i) + 1;  // entry 0 is "auto"
  colors_.push_back(rgb);
  return int(colors_.size());
}

QByteArray Writer::run() {
  fontIndex(document_.defaultFont().family());  // \deff0
  for (QTextBlock block = document_.begin(); block.isValid(); block = block.next())
    writeBlock(block);
  QByteArray out = header();
  out += body_;
  out += "}\r\n";
  return out;
}

QByteArray Writer::header() const {
  QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl";
  for (qsizetype i = 0; i < fonts_.size(); ++i) {
    out += "{\\f" + QByteArray::number(i);
    out += i == symbolFont_ ? "\\fnil\\fcharset2 " : "\\fnil\\fcharset0 ";
    appendText(out, fonts_[i]);
    out += ";}";
  }
  out += "}\r\n{\\colortbl ;";
  for (const QColor& c : colors_) {
    appendNumber(out, "\\red", c.red());
    appendNumber(out, "\\green", c.green());
    appendNumber(out, "\\blue", c.blue());
    out += ';';
  }
  out += "}\r\n{\\*\\generator Quillpad;}\\viewkind4\\uc1 \r\n";
  return out;
}

void Writer::writeBlock(const QTextBlock& block) {
  body_ += "\\pard";
  writeParagraphProperties(block);
  body_ += ' ';
  QString openLink;
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    if (!fragment.isValid()) continue;
    const QTextCharFormat format = fragment.charFormat();
    const QString link = format.isAnchor() ? format.anchorHref() : QString();
    if (link != openLink) {
      if (!openLink.isEmpty()) body_ += "}}";
      if (!link.isEmpty()) {
        body_ += "{\\field{\\*\\fldinst{HYPERLINK \"";
        appendText(body_, QString(link).replace(u'"', QStringLiteral("%22")));
        body_ += "\"}}{\\fldrslt";
      }
      openLink = link;
    }
    writeRun(fragment);
  }
  if (!openLink.isEmpty()) body_ += "}}";
  body_ += "\\par\r\n";
}

void Writer::writeParagraphProperties(const QTextBlock& block) {
  const QTextBlockFormat format = block.blockFormat();
  const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
  if (align & Qt::AlignHCenter) body_ += "\\qc";
  else if (align & Qt::AlignJustify) body_ += "\\qj";
  else if (align & (Qt::AlignRight | Qt::AlignTrailing)) body_ += "\\qr";

  double left = format.leftMargin() + format.indent() * kListIndentPixels;
  double first = format.textIndent();
  if (QTextList* list = block.textList()) {
    const QTextListFormat listFormat = list->format();
    const int level = std::max(0, listFormat.indent() - 1);
    left += std::max(1, listFormat.indent()) * kListIndentPixels;
    first = -std::min(left, 24.0);  // the marker hangs in front of the text
    const bool bullet = listFormat.style() == QTextListFormat::ListDisc ||
                        listFormat.style() == QTextListFormat::ListCircle ||
                        listFormat.style() == QTextListFormat::ListSquare;
    if (bullet) {
      if (symbolFont_ < 0) symbolFont_ = fontIndex(QStringLiteral("Symbol"));
      const QByteArray f = QByteArray::number(symbolFont_);
      body_ += "{\\pntext\\f" + f + "\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf" + f +
               "\\pnindent0{\\pntxtb\\'B7}}";
    } else {
      const char* style = "\\pndec";
      switch (listFormat.style()) {
        case QTextListFormat::ListLowerAlpha: style = "\\pnlcltr"; break;
        case QTextListFormat::ListUpperAlpha: style = "\\pnucltr"; break;
        case QTextListFormat::ListLowerRoman: style = "\\pnlcrm"; break;
        case QTextListFormat::ListUpperRoman: style = "\\pnucrm"; break;
        default: break;
      }
      body_ += "{\\pntext\\f0 ";
      appendText(body_, list->itemText(block));
      body_ += "\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1";
      body_ += style;
      body_ += "{\\pntxta.}}";
    }
    if (level > 0) appendNumber(body_, "\\ilvl", level);
  }
  if (left != 0) appendNumber(body_, "\\li", twips(left));
  if (first != 0) appendNumber(body_, "\\fi", twips(first));
  if (format.rightMargin() != 0) appendNumber(body_, "\\ri", twips(format.rightMargin()));
  if (format.topMargin() != 0) appendNumber(body_, "\\sb", twips(format.topMargin()));
  if (format.bottomMargin() != 0) appendNumber(body_, "\\sa", twips(format.bottomMargin()));
  for (const QTextOption::Tab& tab : format.tabPositions()) {
    if (tab.type == QTextOption::RightTab) body_ += "\\tqr";
    if (tab.type == QTextOption::CenterTab) body_ += "\\tqc";
    if (tab.type == QTextOption::DelimiterTab) body_ += "\\tqdec";
    appendNumber(body_, "\\tx", twips(tab.position));
  }
}

void Writer::writeRun(const QTextFragment& fragment) {
  const QTextCharFormat format = fragment.charFormat();
  body_ += '{';
  appendNumber(body_, "\\f", fontIndex(familyOf(format)));
  double points = format.fontPointSize();
  if (points <= 0 && format.hasProperty(QTextFormat::FontPixelSize))
    points = format.intProperty(QTextFormat::FontPixelSize) * 0.75;
  if (points <= 0) points = document_.defaultFont().pointSizeF();
  if (points <= 0) points = 12;
  appendNumber(body_, "\\fs", std::lround(points * 2));
  if (format.fontWeight() > QFont::Medium) body_ += "\\b";
  if (format.fontItalic()) body_ += "\\i";
  if (format.fontUnderline()) body_ += "\\ul";
  if (format.fontStrikeOut()) body_ += "\\strike";
  if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript) body_ += "\\super";
  if (format.verticalAlignment() == QTextCharFormat::AlignSubScript) body_ += "\\sub";
  if (format.foreground().style() != Qt::NoBrush)
    appendNumber(body_, "\\cf", colorIndex(format.foreground().color()));
  if (format.background().style() != Qt::NoBrush)
    appendNumber(body_, "\\highlight", colorIndex(format.background().color()));
  body_ += ' ';
  if (format.isImageFormat()) {
    for (int i = 0; i < fragment.length(); ++i) writeImage(format.toImageFormat());
  } else {
    appendText(body_, fragment.text());
  }
  body_ += '}';
}

void Writer::writeImage(const QTextImageFormat& format) {
  const QVariant resource =
      document_.resource(QTextDocument::ImageResource, QUrl(format.name()));
  QByteArray data;
  QImage image;
  if (resource.userType() == QMetaType::QByteArray) {
    data = resource.toByteArray();
    image.loadFromData(data);
  } else if (resource.userType() == QMetaType::QImage) {
    image = resource.value<QImage>();
  } else if (resource.userType() == QMetaType::QPixmap) {
    image = resource.value<QPixmap>().toImage();
  }
  if (image.isNull()) return;  // a picture we cannot show is not worth writing
  const char* blip = nullptr;
  if (data.startsWith("\x89PNG")) blip = "\\pngblip";
  if (data.startsWith("\xFF\xD8")) blip = "\\jpegblip";
  if (!blip) {
    data.clear();
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    blip = "\\pngblip";
  }
  const double w = format.width() > 0 ? format.width() : image.width();
  const double h = format.height() > 0 ? format.height() : image.height();
  body_ += "{\\pict";
  body_ += blip;
  appendNumber(body_, "\\picw", image.width());
  appendNumber(body_, "\\pich", image.height());
  appendNumber(body_, "\\picwgoal", twips(w));
  appendNumber(body_, "\\pichgoal", twips(h));
  const QByteArray hex = data.toHex();
  for (qsizetype i = 0; i < hex.size(); i += 128) {
    body_ += "\r\n";
    body_ += hex.mid(i, 128);
  }
  body_ += '}';
}

}  // namespace

QByteArray RtfWriter::write(const QTextDocument& document) {
  return Writer(document).run();
}

}  // namespace qp
