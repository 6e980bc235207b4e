#include "richtext/RtfReader.h"

#include <QImage>
#include <QTextDocument>
#include <algorithm>
#include <string_view>

#include "richtext/CodePage.h"
#include "richtext/RtfControlWords.h"
#include "richtext/RtfDocumentBuilder.h"
#include "richtext/RtfPicture.h"
#include "richtext/RtfState.h"
#include "richtext/RtfTableReader.h"
#include "richtext/RtfTokenizer.h"

namespace qp {
namespace {

using Kind = RtfToken::Kind;

// Destinations whose content never reaches the document. Unknown
// destinations marked with \* are skipped as well (see Parser::onWord).
bool isSkippedDestination(std::string_view w) {
  static constexpr std::string_view kSkipped[] = {
      "stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer",
      "footerl", "footerr", "footerf", "footnote", "annotation", "listtext", "pntext",
      "nonshppict", "xe", "tc", "txe", "rxe", "ftnsep", "ftnsepc", "ftncn", "aftnsep",
      "aftnsepc", "aftncn", "revtbl", "filetbl", "pntxta", "pntxtb", "leveltext",
      "levelnumbers", "listname", "objdata", "themedata", "colorschememapping",
      "latentstyles", "datastore", "fldtype", "template", "docvar", "userprops",
  };
  return std::find(std::begin(kSkipped), std::end(kSkipped), w) != std::end(kSkipped);
}

// Special characters written as control words.
char16_t specialCharacter(std::string_view w) {
  if (w == "tab") return u'\t';
  if (w == "line") return QChar::LineSeparator;
  if (w == "emdash") return 0x2014;
  if (w == "endash") return 0x2013;
  if (w == "emspace") return 0x2003;
  if (w == "enspace") return 0x2002;
  if (w == "qmspace") return 0x2005;
  if (w == "bullet") return 0x2022;
  if (w == "lquote") return 0x2018;
  if (w == "rquote") return 0x2019;
  if (w == "ldblquote") return 0x201C;
  if (w == "rdblquote") return 0x201D;
  if (w == "zwj") return 0x200D;
  if (w == "zwnj") return 0x200C;
  if (w == "cell" || w == "nestcell") return u'\t';  // tables flatten to tab-separated rows
  return 0;
}

bool isParagraphMark(std::string_view w) {
  return w == "par" || w == "page" || w == "sect" || w == "row" || w == "nestrow";
}

// "HYPERLINK "http://x"" or "HYPERLINK http://x" gives the target; other
// field instructions give nothing.
QString hyperlinkTarget(const QString& instruction) {
  QString rest = instruction.trimmed();
  static const QString kHyperlink = QStringLiteral("HYPERLINK");
  if (!rest.startsWith(kHyperlink, Qt::CaseInsensitive)) return {};
  rest = rest.mid(kHyperlink.size()).trimmed();
  while (rest.startsWith(u'\\')) {  // switches such as \l or \o "tip"
    const qsizetype space = rest.indexOf(u' ');
    if (space < 0) return {};
    rest = rest.mid(space).trimmed();
  }
  if (rest.startsWith(u'"')) {
    const qsizetype end = rest.indexOf(u'"', 1);
    return end < 0 ? rest.mid(1) : rest.mid(1, end - 1);
  }
  return rest.section(u' ', 0, 0);
}

class Parser {
 public:
  Parser(QByteArrayView data, QTextDocument& document)
      : tokens_(data.data(), size_t(data.size())), builder_(document), tableReader_(tables_) {}

  void run();

 private:
  RtfGroupState& top() { return stack_.top(); }
  RtfDestination destination() const { return stack_.top().destination; }

  void onGroupOpen();
  void onGroupClose();
  void onWord(const RtfToken& token);
  void onDestinationWord(const RtfToken& token);
  bool onDocumentWord(const RtfToken& token);
  void onSymbol(char symbol);
  void onByte(uint8_t byte);
  void onText(std::string_view bytes);

  void appendText(const QString& text);
  void appendUnicode(int32_t value);
  void endParagraph(bool final);
  const QTextCharFormat& currentFormat();

  RtfTokenizer tokens_;
  RtfDocumentBuilder builder_;
  RtfGroupStack stack_;
  RtfTables tables_;
  RtfTableReader tableReader_;
  std::vector<QString> links_;
  RtfPicture picture_;

  int unicodeSkipLeft_ = 0;
  bool starPending_ = false;
  bool finished_ = false;
  int numberingRun_ = 0;  // a non-list paragraph ends a \pn list

  QString fieldInstruction_;

  // The char format only changes with the state; building it per text run
  // would dominate reading time.
  RtfCharState formatChars_;
  int formatTablesVersion_ = -1;
  int tablesVersion_ = 0;  // \deff changes; the table reader counts the rest
  QTextCharFormat format_;
};

void Parser::run() {
  // The caller checked the signature, so the first token opens the document.
  while (!finished_) {
    const RtfToken token = tokens_.next();
    switch (token.kind) {
      case Kind::End: finished_ = true; break;
      case Kind::GroupOpen: onGroupOpen(); break;
      case Kind::GroupClose: onGroupClose(); break;
      case Kind::Word: onWord(token); break;
      case Kind::Symbol: onSymbol(token.symbol); break;
      case Kind::HexByte: onByte(token.byte); break;
      case Kind::Text: onText(token.word); break;
      case Kind::Binary: break;
    }
    // \* marks only the control word that follows it.
    if (token.kind != Kind::Symbol || token.symbol != '*') starPending_ = false;
  }
  endParagraph(true);
}

void Parser::onGroupOpen() {
  unicodeSkipLeft_ = 0;
  stack_.push();
}

void Parser::onGroupClose() {
  unicodeSkipLeft_ = 0;
  if (destination() == RtfDestination::FontTable) tableReader_.commitFont();
  RtfGroupState closed;
  if (!stack_.pop(&closed)) return;  // stray '}'
  if (stack_.depth() == 0) {
    // The document group has closed; whatever follows is not part of it.
    finished_ = true;
    return;
  }
  const RtfDestination now = destination();
  if (closed.destination == RtfDestination::Picture && now != RtfDestination::Picture) {
    picture_.finish();
    if (!picture_.image().isNull() && now == RtfDestination::Text && !top().chars.hidden)
      builder_.appendImage(picture_.data(), picture_.displaySize(),
                           currentFormat());
    picture_ = RtfPicture();
  }
  if (closed.destination == RtfDestination::ParagraphNumbering &&
      now != RtfDestination::ParagraphNumbering) {
    top().para.numbering = closed.para.numbering;
    top().para.numberingLevel = closed.para.numberingLevel;
  }
}

void Parser::onWord(const RtfToken& token) {
  if (unicodeSkipLeft_ > 0) {
    --unicodeSkipLeft_;
    if (token.word == "bin" && token.hasParam) tokens_.takeBinary(token.param);
    return;
  }
  const std::string_view w = token.word;
  if (w == "bin") {
    // Binary data is never text; only a picture keeps it.
    const RtfToken data = tokens_.takeBinary(token.hasParam ? token.param : 0);
    if (destination() == RtfDestination::Picture) picture_.appendBinary(data.word);
    return;
  }
  if (destination() == RtfDestination::Skip) return;

  if (starPending_) {
    starPending_ = false;
    static constexpr std::string_view kKnownStarred[] = {
        "pn", "listtable", "listoverridetable", "fldinst", "shppict"};
    if (std::find(std::begin(kKnownStarred), std::end(kKnownStarred), w) ==
        std::end(kKnownStarred)) {
      top().destination = RtfDestination::Skip;
      return;
    }
  }
  if (destination() != RtfDestination::Text) {
    onDestinationWord(token);
    return;
  }
  if (onDocumentWord(token)) return;
  if (const char16_t c = specialCharacter(w)) {
    appendText(QString(QChar(c)));
    return;
  }
  if (isParagraphMark(w)) {
    endParagraph(false);
    return;
  }
  applyFormattingWord(w, token.hasParam, token.param, top());
}

bool Parser::onDocumentWord(const RtfToken& token) {
  const std::string_view w = token.word;
  const int32_t p = token.param;
  RtfGroupState& state = top();
  if (w == "u") {
    appendUnicode(p);
  } else if (w == "uc") {
    state.unicodeSkip = std::clamp<int32_t>(p, 0, 8);
  } else if (w == "ansicpg") {
    tables_.codePage = CodePage::isSupported(p) ? p : CodePage::kDefault;
  } else if (w == "ansi") {
    tables_.codePage = 1252;
  } else if (w == "pc") {
    tables_.codePage = 437;
  } else if (w == "pca") {
    tables_.codePage = 850;
  } else if (w == "deff") {
    tables_.defaultFont = p;
    ++tablesVersion_;
  } else if (w == "fonttbl") {
    state.destination = RtfDestination::FontTable;
    tableReader_.beginFontTable();
  } else if (w == "colortbl") {
    state.destination = RtfDestination::ColorTable;
    tableReader_.beginColorTable();
  } else if (w == "pict") {
    state.destination = RtfDestination::Picture;
    picture_ = RtfPicture();
  } else if (w == "listtable") {
    state.destination = RtfDestination::ListTable;
  } else if (w == "listoverridetable") {
    state.destination = RtfDestination::ListOverrideTable;
  } else if (w == "pn") {
    state.destination = RtfDestination::ParagraphNumbering;
    state.para.numbering = RtfListStyle::None;
    state.para.numberingLevel = 0;
  } else if (w == "fldinst") {
    state.destination = RtfDestination::FieldInstruction;
    fieldInstruction_.clear();
  } else if (w == "fldrslt") {
    const QString target = hyperlinkTarget(fieldInstruction_);
    fieldInstruction_.clear();
    if (!target.isEmpty() && int(links_.size()) < RtfTables::kMaxEntries) {
      links_.push_back(target);
      state.chars.link = int(links_.size());
    }
  } else if (isSkippedDestination(w)) {
    state.destination = RtfDestination::Skip;
  } else {
    return false;
  }
  return true;
}

void Parser::onDestinationWord(const RtfToken& token) {
  const std::string_view w = token.word;
  const int32_t p = token.param;
  RtfGroupState& state = top();
  switch (state.destination) {
    case RtfDestination::FontTable:
      if (w == "u") {
        appendUnicode(p);
      } else {
        tableReader_.onWord(w, p, state);
      }
      break;
    case RtfDestination::ColorTable:
    case RtfDestination::ListTable:
    case RtfDestination::ListOverrideTable:
      tableReader_.onWord(w, p, state);
      break;
    case RtfDestination::Picture:
      picture_.onWord(w, token.hasParam, p);
      break;
    case RtfDestination::ParagraphNumbering:
      if (isSkippedDestination(w)) {
        state.destination = RtfDestination::Skip;
      } else {
        applyFormattingWord(w, token.hasParam, p, state);
      }
      break;
    case RtfDestination::FieldInstruction:
      if (w == "u") appendUnicode(p);
      break;
    case RtfDestination::Text:
    case RtfDestination::Skip:
      break;
  }
}

void Parser::onSymbol(char symbol) {
  if (unicodeSkipLeft_ > 0) {
    --unicodeSkipLeft_;
    return;
  }
  switch (symbol) {
    case '*': starPending_ = true; return;
    case '\\': case '{': case '}': appendText(QString(QChar(symbol))); return;
    case '~': appendText(QString(QChar(0x00A0))); return;
    case '-': appendText(QString(QChar(0x00AD))); return;
    case '_': appendText(QString(QChar(0x2011))); return;
    case '\n':
      if (destination() == RtfDestination::Text) endParagraph(false);
      return;
    default: return;  // \: \| and unknown symbols carry nothing we show
  }
}

void Parser::onByte(uint8_t byte) {
  if (unicodeSkipLeft_ > 0) {
    --unicodeSkipLeft_;
    return;
  }
  if (destination() == RtfDestination::FontTable) {
    tableReader_.onFontByte(byte);
    return;
  }
  const CodePage& page = CodePage::forNumber(tables_.codePageFor(top().chars));
  appendText(QString(QChar(page.decode(byte))));
}

void Parser::onText(std::string_view bytes) {
  if (unicodeSkipLeft_ > 0) {
    const size_t skipped = std::min(bytes.size(), size_t(unicodeSkipLeft_));
    unicodeSkipLeft_ -= int(skipped);
    bytes.remove_prefix(skipped);
  }
  if (bytes.empty()) return;
  switch (destination()) {
    case RtfDestination::FontTable:
      tableReader_.onFontText(bytes);
      return;
    case RtfDestination::ColorTable:
      tableReader_.onColorText(bytes);
      return;
    case RtfDestination::Picture:
      picture_.appendHex(bytes);
      return;
    case RtfDestination::Text:
    case RtfDestination::FieldInstruction: {
      const CodePage& page = CodePage::forNumber(tables_.codePageFor(top().chars));
      QString text;
      text.reserve(qsizetype(bytes.size()));
      for (char c : bytes) {
        const auto b = uint8_t(c);
        if (b == 0 || b == '\t') {
          if (b == '\t') text.append(u'\t');
          continue;  // NUL bytes are junk in any code page
        }
        text.append(QChar(page.decode(b)));
      }
      appendText(text);
      return;
    }
    default:
      return;
  }
}

void Parser::appendUnicode(int32_t value) {
  // \uN is a signed 16-bit value; \u-3913 is U+F0B7.
  if (value < 0) value += 65536;
  if (value >= 0 && value <= 0xFFFF) {
    if (destination() == RtfDestination::FontTable) {
      tableReader_.onFontCharacter(char16_t(value));
    } else {
      appendText(QString(QChar(char16_t(value))));
    }
  }
  unicodeSkipLeft_ = top().unicodeSkip;
}

void Parser::appendText(const QString& text) {
  switch (destination()) {
    case RtfDestination::Text:
      if (!top().chars.hidden) builder_.appendText(text, currentFormat());
      return;
    case RtfDestination::FieldInstruction:
      if (fieldInstruction_.size() < 4096) fieldInstruction_ += text;
      return;
    default:
      return;
  }
}

const QTextCharFormat& Parser::currentFormat() {
  const int version = tablesVersion_ + tableReader_.version();
  if (formatTablesVersion_ != version || !(formatChars_ == top().chars)) {
    formatChars_ = top().chars;
    formatTablesVersion_ = version;
    format_ = toCharFormat(formatChars_, tables_, links_);
  }
  return format_;
}

void Parser::endParagraph(bool final) {
  const RtfParaState& para = top().para;
  const RtfListStyle style = tables_.listStyle(para);
  QString key;
  int level = -1;
  if (style != RtfListStyle::None && para.listOverride > 0) {
    level = para.listLevel;
    key = QStringLiteral("ls:%1:%2").arg(para.listOverride).arg(level);
  } else if (style != RtfListStyle::None) {
    // \ilvl beside \pn carries the nesting the \pn form cannot say.
    level = std::max(para.numberingLevel, para.listLevel);
    key = QStringLiteral("pn:%1:%2:%3").arg(numberingRun_).arg(level).arg(int(style));
  } else {
    ++numberingRun_;
  }
  const QTextBlockFormat block = toBlockFormat(para, level);
  if (final) {
    builder_.finish(block, toListStyle(style), key, level);
  } else {
    builder_.endParagraph(block, toListStyle(style), key, level);
  }
}

}  // namespace

bool RtfReader::looksLikeRtf(QByteArrayView data) {
  qsizetype i = 0;
  while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' ||
                             data[i] == '\n'))
    ++i;
  return data.sliced(i).startsWith("{\\rtf");
}

bool RtfReader::read(QByteArrayView data, QTextDocument& document) {
  error_.clear();
  if (!looksLikeRtf(data)) {
    document.clear();
    error_ = QStringLiteral("not an RTF document: it does not start with {\\rtf");
    return false;
  }
  // Blanks before the signature are not text of the document.
  Parser parser(data.sliced(data.indexOf('{')), document);
  parser.run();
  return true;
}

}  // namespace qp
