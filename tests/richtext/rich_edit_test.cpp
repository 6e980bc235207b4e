// The rich-text control as the note windows, alarm window and dialogs use
// it: streams, search and replace, toggles, links, read-only mode, the
// clipboard, the editor dialog, printing and the context menu.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextList>
#include <QTimer>
#include <QToolBar>
#include <QtTest/QTest>

#include "RichTextTestUtil.h"
#include "richtext/RichEdit.h"
#include "richtext/RichEditActions.h"
#include "richtext/RichEditDialog.h"

namespace qp {
namespace {

using testing::formatOf;

const QByteArray kNote =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
    "{\\colortbl ;\\red255\\green0\\blue0;}"
    "\\pard\\f0\\fs20 Hello \\b\\cf1 bold red\\b0\\cf0  world\\par}";

// Collects what QDesktopServices hands to the handler for http, https and
// mailto, so no browser starts during tests.
class UrlSink : public QObject {
  Q_OBJECT
 public:
  UrlSink() {
    for (const char* scheme : {"http", "https", "mailto"})
      QDesktopServices::setUrlHandler(scheme, this, "open");
  }
  ~UrlSink() override {
    for (const char* scheme : {"http", "https", "mailto"}) QDesktopServices::unsetUrlHandler(scheme);
  }
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.append(url); }
};

// A shown editor with a known size, so clicks land where the text is.
struct ShownEdit {
  ShownEdit() {
    edit.resize(400, 200);
    edit.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&edit));
  }
  QPoint pointOf(int position) {
    QTextCursor c(edit.document());
    c.setPosition(position);
    return edit.cursorRect(c).center() + QPoint(2, 0);
  }
  void clickAt(int position) { QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, pointOf(position)); }
  RichEdit edit;
};

TEST(RichEdit, LoadsAndSavesRtfThroughAStream) {
  RichEdit a;
  QBuffer in;
  in.setData(kNote);
  in.open(QIODevice::ReadOnly);
  ASSERT_TRUE(a.loadFromStream(in));
  EXPECT_EQ(a.toPlainText(), "Hello bold red world");
  EXPECT_FALSE(a.document()->isUndoAvailable());  // loading is not an edit

  QBuffer out;
  out.open(QIODevice::WriteOnly);
  ASSERT_TRUE(a.saveToStream(out));
  EXPECT_TRUE(out.data().startsWith("{\\rtf1\\ansi\\ansicpg1252"));

  RichEdit b;
  out.close();
  out.open(QIODevice::ReadOnly);
  ASSERT_TRUE(b.loadFromStream(out));
  EXPECT_EQ(b.toPlainText(), a.toPlainText());
  EXPECT_EQ(formatOf(*b.document(), "bold").fontWeight(), QFont::Bold);
  EXPECT_EQ(formatOf(*b.document(), "red").foreground().color(), QColor(Qt::red));
}

TEST(RichEdit, StreamThatIsNotRtfLoadsAsPlainText) {
  RichEdit edit;
  edit.setRtf(QByteArray("caf\xe9 in ANSI"));
  EXPECT_EQ(edit.toPlainText(), QString::fromUtf8("café in ANSI"));
  edit.setRtf(QString::fromUtf8("naïve UTF-8\nline two").toUtf8());
  EXPECT_EQ(edit.toPlainText(), QString::fromUtf8("naïve UTF-8\nline two"));
  edit.setRtf(QByteArray());
  EXPECT_TRUE(edit.document()->isEmpty());
}

TEST(RichEdit, FindTextIsCaseSensitiveAndHonoursTheRange) {
  RichEdit edit;
  edit.setPlainText("Today <date> is <DATE>, again <DATE>");
  EXPECT_EQ(edit.findText("<DATE>"), 16);
  EXPECT_EQ(edit.findText("<date>"), 6);
  EXPECT_EQ(edit.findText("<DATE>", 17), 30);
  EXPECT_EQ(edit.findText("<DATE>", 0, 20), -1);  // the match would end past 20
  EXPECT_EQ(edit.findText("<Date>"), -1);
  EXPECT_EQ(edit.findText(""), -1);
}

TEST(RichEdit, ReplacingTheSelectionKeepsTheRestAndIsUndoable) {
  RichEdit edit;
  edit.setRtf(kNote);
  const int at = edit.findText("bold");
  edit.select(at, 4);
  EXPECT_EQ(edit.textCursor().selectedText(), "bold");
  edit.replaceSelection("strong");
  EXPECT_EQ(edit.toPlainText(), "Hello strong red world");
  EXPECT_EQ(formatOf(*edit.document(), "strong").fontWeight(), QFont::Bold);
  edit.undo();
  EXPECT_EQ(edit.toPlainText(), "Hello bold red world");
}

TEST(RichEdit, FindNextWrapsAndReplaceAllIsOneUndoStep) {
  RichEdit edit;
  edit.setPlainText("a x b x c X");
  EXPECT_TRUE(edit.findNext("x", QTextDocument::FindCaseSensitively));
  EXPECT_EQ(edit.textCursor().selectionStart(), 2);
  EXPECT_TRUE(edit.findNext("x", QTextDocument::FindCaseSensitively));
  EXPECT_EQ(edit.textCursor().selectionStart(), 6);
  EXPECT_TRUE(edit.findNext("x", QTextDocument::FindCaseSensitively));
  EXPECT_EQ(edit.textCursor().selectionStart(), 2);
  EXPECT_EQ(edit.replaceAll("x", "yy", QTextDocument::FindCaseSensitively), 2);
  EXPECT_EQ(edit.toPlainText(), "a yy b yy c X");
  edit.undo();
  EXPECT_EQ(edit.toPlainText(), "a x b x c X");
}

struct ToggleCase {
  const char* name;
  void (RichEdit::*toggle)();
  bool (RichEdit::*state)() const;
};

void PrintTo(const ToggleCase& c, std::ostream* os) { *os << c.name; }

class RichEditToggles : public ::testing::TestWithParam<ToggleCase> {};

TEST_P(RichEditToggles, AppliesToAMixedSelectionThenRemovesFromAUniformOne) {
  const ToggleCase& c = GetParam();
  RichEdit edit;
  edit.setPlainText("one two three");
  edit.select(4, 3);
  (edit.*c.toggle)();
  edit.select(0, 7);  // "one " plain, "two" set: mixed
  EXPECT_FALSE((edit.*c.state)());
  (edit.*c.toggle)();
  EXPECT_TRUE((edit.*c.state)());
  edit.select(0, 13);
  EXPECT_FALSE((edit.*c.state)());
  edit.select(2, 3);
  EXPECT_TRUE((edit.*c.state)());
  (edit.*c.toggle)();
  EXPECT_FALSE((edit.*c.state)());
  edit.select(0, 1);
  EXPECT_TRUE((edit.*c.state)()) << "the rest keeps the property";
}

TEST_P(RichEditToggles, WithoutSelectionAppliesToWhatIsTypedNext) {
  const ToggleCase& c = GetParam();
  RichEdit edit;
  edit.setPlainText("ab");
  edit.moveCursor(QTextCursor::End);
  (edit.*c.toggle)();
  QTest::keyClicks(&edit, "cd");
  EXPECT_EQ(edit.toPlainText(), "abcd");
  edit.select(2, 2);
  EXPECT_TRUE((edit.*c.state)());
  edit.select(0, 2);
  EXPECT_FALSE((edit.*c.state)());
}

TEST_P(RichEditToggles, UndoRevertsTheToggle) {
  const ToggleCase& c = GetParam();
  RichEdit edit;
  edit.setPlainText("text");
  edit.selectAll();
  (edit.*c.toggle)();
  EXPECT_TRUE((edit.*c.state)());
  edit.undo();
  edit.selectAll();
  EXPECT_FALSE((edit.*c.state)());
}

INSTANTIATE_TEST_SUITE_P(
    Formatting, RichEditToggles,
    ::testing::Values(ToggleCase{"Bold", &RichEdit::toggleBold, &RichEdit::selectionIsBold},
                      ToggleCase{"Italic", &RichEdit::toggleItalic, &RichEdit::selectionIsItalic},
                      ToggleCase{"Underline", &RichEdit::toggleUnderline,
                                 &RichEdit::selectionIsUnderlined}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RichEdit, BulletToggleListsTheSelectedParagraphsAndSurvivesSaving) {
  RichEdit edit;
  edit.setPlainText("one\ntwo\nthree");
  edit.select(2, 5);  // from "one" into "two"
  edit.toggleBullet();
  EXPECT_TRUE(edit.selectionIsBulleted());
  const QTextDocument& d = *edit.document();
  ASSERT_NE(testing::blockWith(d, "one").textList(), nullptr);
  EXPECT_EQ(testing::blockWith(d, "two").textList(), testing::blockWith(d, "one").textList());
  EXPECT_EQ(testing::blockWith(d, "three").textList(), nullptr);

  RichEdit reloaded;
  reloaded.setRtf(edit.rtf());
  ASSERT_NE(testing::blockWith(*reloaded.document(), "two").textList(), nullptr);
  EXPECT_EQ(testing::blockWith(*reloaded.document(), "two").textList()->format().style(),
            QTextListFormat::ListDisc);

  edit.toggleBullet();
  EXPECT_EQ(testing::blockWith(d, "one").textList(), nullptr);
  EXPECT_EQ(testing::blockWith(d, "two").textList(), nullptr);
  EXPECT_EQ(testing::blockWith(d, "one").blockFormat().indent(), 0);
  edit.undo();
  EXPECT_NE(testing::blockWith(d, "one").textList(), nullptr);
}

TEST(RichEdit, KeyboardShortcutsOfTheControlWork) {
  RichEdit edit;
  edit.setPlainText("text");
  edit.selectAll();
  QTest::keyClick(&edit, Qt::Key_B, Qt::ControlModifier);
  QTest::keyClick(&edit, Qt::Key_I, Qt::ControlModifier);
  QTest::keyClick(&edit, Qt::Key_U, Qt::ControlModifier);
  EXPECT_TRUE(edit.selectionIsBold());
  EXPECT_TRUE(edit.selectionIsItalic());
  EXPECT_TRUE(edit.selectionIsUnderlined());
  for (int i = 0; i < 3; ++i) QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
  edit.selectAll();
  EXPECT_FALSE(edit.selectionIsBold());
  EXPECT_FALSE(edit.selectionIsItalic());
}

bool hasLinkFormatAt(const RichEdit& edit, int position) {
  const QTextBlock block = edit.document()->findBlock(position);
  const int in = position - block.position();
  for (const QTextLayout::FormatRange& r : block.layout()->formats())
    if (in >= r.start && in < r.start + r.length && r.format.isAnchor()) return true;
  return false;
}

TEST(RichEdit, UrlDetectionShowsLinksOnlyWhileOnAndNeverChangesTheContent) {
  RichEdit edit;
  edit.setPlainText("go to www.example.org or mail ann@example.org now");
  const QByteArray before = edit.rtf();
  EXPECT_FALSE(hasLinkFormatAt(edit, 8));
  edit.setAutoUrlDetect(true);
  EXPECT_TRUE(hasLinkFormatAt(edit, 8));
  EXPECT_TRUE(hasLinkFormatAt(edit, 32));
  EXPECT_FALSE(hasLinkFormatAt(edit, 2));
  EXPECT_EQ(edit.rtf(), before);
  EXPECT_FALSE(edit.document()->isUndoAvailable());
  edit.setAutoUrlDetect(false);
  EXPECT_FALSE(hasLinkFormatAt(edit, 8));
  EXPECT_EQ(edit.rtf(), before);
}

TEST(RichEdit, ClickOnADetectedLinkOpensItInTheDesktopHandlerOnlyWhenDetectionIsOn) {
  UrlSink sink;
  ShownEdit shown;
  shown.edit.setPlainText("go to www.example.org or ann@example.org");
  shown.clickAt(10);
  EXPECT_TRUE(sink.opened.isEmpty());
  shown.edit.setAutoUrlDetect(true);
  shown.clickAt(10);
  shown.clickAt(30);
  shown.clickAt(2);  // plain text
  EXPECT_EQ(sink.opened,
            (QList<QUrl>{QUrl("http://www.example.org"), QUrl("mailto:ann@example.org")}));
}

TEST(RichEdit, HyperlinkFieldsOpenEvenInReadOnlyMode) {
  UrlSink sink;
  ShownEdit shown;
  shown.edit.setRtf(
      "{\\rtf1 see {\\field{\\*\\fldinst{HYPERLINK \"https://example.net/\"}}{\\fldrslt here}} ok\\par}");
  shown.edit.setReadOnly(true);
  shown.clickAt(5);
  EXPECT_EQ(sink.opened, QList<QUrl>{QUrl("https://example.net/")});
}

TEST(RichEdit, ReadOnlyRefusesTypingReplacingPastingAndFormatting) {
  RichEdit edit;
  edit.setRtf(kNote);
  edit.setReadOnly(true);
  const QString text = edit.toPlainText();
  edit.moveCursor(QTextCursor::End);
  QTest::keyClicks(&edit, "typed");
  edit.select(0, 5);
  edit.replaceSelection("x");
  auto* mime = new QMimeData;
  mime->setText("pasted");
  QApplication::clipboard()->setMimeData(mime);
  edit.paste();
  edit.toggleBullet();
  EXPECT_EQ(edit.toPlainText(), text);
  EXPECT_EQ(edit.textCursor().currentList(), nullptr);

  std::unique_ptr<QMenu> menu(edit.createContextMenu(nullptr));
  for (const char* name : {"actionCut", "actionPaste", "actionBold", "actionBullet",
                           "actionInsertObject", "actionReplace"})
    EXPECT_FALSE(edit.actions()->find(name)->isEnabled()) << name;
  EXPECT_TRUE(edit.actions()->find("actionCopy")->isEnabled());
  EXPECT_TRUE(edit.actions()->find("actionFind")->isEnabled());
}

TEST(RichEdit, CopyPutsRtfHtmlAndPlainTextOnTheClipboard) {
  RichEdit edit;
  edit.setRtf(kNote);
  edit.selectAll();
  edit.copy();
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->text(), "Hello bold red world");
  EXPECT_TRUE(data->hasHtml());
  EXPECT_TRUE(data->html().contains("font-weight:700"));
  for (const char* type : {"text/rtf", "application/rtf"}) {
    ASSERT_TRUE(data->hasFormat(type)) << type;
    auto copied = testing::readRtf(data->data(type));
    EXPECT_EQ(copied->toPlainText(), "Hello bold red world");
    EXPECT_EQ(formatOf(*copied, "red").foreground().color(), QColor(Qt::red));
  }
}

TEST(RichEdit, CopyingBetweenControlsKeepsFormattingPicturesAndLists) {
  RichEdit source;
  source.setRtf(kNote);
  QTemporaryDir dir;
  const QString png = dir.filePath("p.png");
  ASSERT_TRUE(QImage::fromData(testing::pictureBytes("PNG", QSize(6, 6), Qt::blue)).save(png));
  source.moveCursor(QTextCursor::End);
  ASSERT_TRUE(source.insertImageFile(png));
  source.selectAll();
  source.toggleBullet();

  RichEdit direct;
  direct.copyContentFrom(source);
  RichEdit pasted;
  source.selectAll();
  source.copy();
  pasted.paste();
  for (RichEdit* target : {&direct, &pasted}) {
    EXPECT_EQ(target->toPlainText(), source.toPlainText());
    EXPECT_EQ(formatOf(*target->document(), "bold").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(*target->document(), "red").foreground().color(), QColor(Qt::red));
    ASSERT_NE(target->document()->begin().textList(), nullptr);
    EXPECT_TRUE(target->rtf().contains("\\pngblip"));
  }
}

TEST(RichEdit, PastesRtfFromOtherPrograms) {
  RichEdit edit;
  edit.setPlainText("[]");
  edit.select(1, 0);
  auto* mime = new QMimeData;
  mime->setData("application/rtf", "{\\rtf1 {\\i slanted}\\par}");
  mime->setText("fallback");
  QApplication::clipboard()->setMimeData(mime);
  edit.paste();
  EXPECT_EQ(edit.toPlainText(), "[slanted]");
  EXPECT_TRUE(formatOf(*edit.document(), "slanted").fontItalic());
}

TEST(RichEdit, ColourPaintsTheTextArea) {
  RichEdit edit;
  edit.setColor(QColor(0x99FFFF));
  EXPECT_EQ(edit.color(), QColor(0x99FFFF));
  EXPECT_EQ(edit.viewport()->palette().color(QPalette::Base), QColor(0x99FFFF));
}

TEST(RichEdit, PrintsUnderItsJobName) {
  RichEdit edit;
  edit.setRtf(kNote);
  edit.setPrintJobName("Quillpad");
  QTemporaryDir dir;
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("note.pdf"));
  edit.printTo(printer);
  EXPECT_EQ(printer.docName(), "Quillpad");
  QFile pdf(dir.filePath("note.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
}

TEST(RichEdit, EditorDialogCarriesCaptionCopyAndIsPaintedByTheHook) {
  RichEdit edit;
  edit.setRtf(kNote);
  edit.setDialogCaption("Edit Note Text");
  int hooks = 0;
  QObject::connect(&edit, &RichEdit::editorDialogCreated, [&](RichEditDialog* dialog) {
    ++hooks;
    dialog->setTextAreaColor(QColor(0x99FFFF));
  });
  std::unique_ptr<RichEditDialog> dialog(edit.createEditorDialog(nullptr));
  EXPECT_EQ(hooks, 1);
  EXPECT_EQ(dialog->windowTitle(), "Edit Note Text");
  EXPECT_EQ(dialog->editor()->color(), QColor(0x99FFFF));
  EXPECT_EQ(dialog->editor()->toPlainText(), edit.toPlainText());
  EXPECT_EQ(formatOf(*dialog->editor()->document(), "bold").fontWeight(), QFont::Bold);
  for (const char* name : {"actionBold", "actionItalic", "actionUnderline", "actionFont", "actionBullet"})
    EXPECT_TRUE(dialog->toolBar()->actions().contains(dialog->editor()->actions()->find(name))) << name;
}

// Edits the text of the modal editor dialog once it shows, then closes it.
void finishEditorDialog(bool accept) {
  QTimer::singleShot(0, [accept] {
    auto* dialog = qobject_cast<RichEditDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->editor()->selectAll();
    dialog->editor()->toggleItalic();
    dialog->editor()->moveCursor(QTextCursor::End);
    dialog->editor()->insertPlainText("!");
    accept ? dialog->accept() : dialog->reject();
  });
}

TEST(RichEdit, EditorDialogChangesTheControlOnlyOnOk) {
  RichEdit edit;
  edit.setRtf(kNote);
  finishEditorDialog(false);
  EXPECT_FALSE(edit.openEditorDialog());
  EXPECT_EQ(edit.toPlainText(), "Hello bold red world");

  finishEditorDialog(true);
  EXPECT_TRUE(edit.openEditorDialog());
  EXPECT_EQ(edit.toPlainText(), "Hello bold red world!");
  EXPECT_TRUE(formatOf(*edit.document(), "Hello").fontItalic());
  EXPECT_EQ(formatOf(*edit.document(), "bold").fontWeight(), QFont::Bold);
}

TEST(RichEdit, ContextMenuOffersTheEditingCommands) {
  RichEdit edit;
  std::unique_ptr<QMenu> menu(edit.createContextMenu(nullptr));
  QStringList names;
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) names << action->objectName();
  EXPECT_EQ(names, (QStringList{"actionEdit", "actionCut", "actionCopy", "actionPaste",
                                "actionBold", "actionItalic", "actionUnderline", "actionFont",
                                "actionBullet", "actionParagraph", "actionTabs", "actionFind",
                                "actionReplace", "actionInsertObject"}));
  edit.setPlainText("x");
  edit.selectAll();
  edit.actions()->find("actionBold")->trigger();
  EXPECT_TRUE(edit.selectionIsBold());
  EXPECT_TRUE(edit.actions()->find("actionBold")->isChecked());
}

TEST(RichEdit, InsertObjectRefusesFilesThatAreNotPictures) {
  QTemporaryDir dir;
  QFile file(dir.filePath("x.txt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a picture");
  file.close();
  RichEdit edit;
  EXPECT_FALSE(edit.insertImageFile(file.fileName()));
  EXPECT_FALSE(edit.insertImageFile(dir.filePath("missing.png")));
  EXPECT_TRUE(edit.document()->isEmpty());
}

}  // namespace
}  // namespace qp

#include "rich_edit_test.moc"
