// TXbGrid and TXbGridModel over real tables: rows found in record and tag
// order as the view asks for them, filters and hidden deleted records,
// Boolean columns toggled under the record lock, deletes and appends, the
// AutoAppend rule, the depressed title and corner clicks, and savedColumns.
#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "components/XbGridDelegate.h"
#include "components/XbGridModel.h"
#include "components/XbSavedColumns.h"
#include "components/axbgrids.h"
#include "engine/table/error_state.h"
#include "tests/dataset/dataset_fixture.h"

namespace {

using xb::TXbDbf;

class GridTest : public xb::DatasetTest {
 protected:
  // NAME C10, FLAG C1 ("Y"/"N"), DONE L, N N5; an index on NAME.
  std::unique_ptr<TXbDbf> People(int count, bool hideDeleted = true) {
    auto t = Table("People", "people.dbf", {"NAME,C,10,0", "FLAG,C,1,0", "DONE,L,1,0", "N,N,5,0"});
    t->SetIndexList({"NAME,F,F,upper(NAME)", ""});
    t->SetHideDeletedRecs(hideDeleted);
    t->SetTableLanguage(xb::TXbTableLanguage::tlAnsi);
    t->Open();
    t->SetIndexTo("");
    for (int i = 1; i <= count; ++i)
      AddRecord(*t, {{"NAME", "p" + std::to_string(1000 + (count - i))},
                     {"FLAG", i % 2 ? "Y" : "N"},
                     {"DONE", i % 3 ? "F" : "T"},
                     {"N", std::to_string(i)}});
    t->SetOrderTo(0);  // the table opens in its first tag's order
    return t;
  }
  static QList<TXbGridColumn> Columns() {
    TXbGridColumn name;
    name.fieldName = "NAME";
    name.title = "Name";
    name.width = 90;
    TXbGridColumn flag;
    flag.fieldName = "FLAG";
    flag.title = "Flag";
    flag.displayValues = "Y;N";
    TXbGridColumn done;
    done.fieldName = "DONE";
    done.title = "Done";
    TXbGridColumn n;
    n.fieldName = "N";
    n.title = "N";
    return {name, flag, done, n};
  }
  static QStringList Texts(const QAbstractItemModel& m, int column) {
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r) out << m.index(r, column).data().toString();
    return out;
  }
};

TEST_F(GridTest, RowsAreFoundABatchAtATimeInRecordAndTagOrder) {
  auto t = People(600);
  TXbGridModel model(*t);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.setColumns(Columns());
  // Only a batch at a time is read, as the view (here the tester) asks:
  // a big table opens at once.
  const int before = model.rowCount();
  EXPECT_LE(before, TXbGridModel::kBatchRows);
  ASSERT_TRUE(model.canFetchMore({}));
  model.fetchMore({});
  EXPECT_EQ(model.rowCount(), before + TXbGridModel::kBatchRows);
  EXPECT_EQ(model.index(0, 0).data().toString(), "p1599");
  EXPECT_EQ(model.index(0, 3).data().toString(), "1");
  model.fetchAll();
  ASSERT_EQ(model.rowCount(), 600);
  EXPECT_EQ(model.recNoAt(599), 600);
  EXPECT_EQ(model.index(599, 0).data().toString(), "p1000");

  // In tag order the rows follow the key, across batch boundaries.
  t->SetOrderToTag("NAME");
  model.refresh();
  model.fetchAll();
  ASSERT_EQ(model.rowCount(), 600);
  const QStringList names = Texts(model, 0);
  QStringList sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(names, sorted);
  EXPECT_EQ(model.recNoAt(0), 600);
  // Reading far rows after near ones keeps the values right (the cache).
  EXPECT_EQ(model.index(300, 0).data().toString(), "p1300");
  EXPECT_EQ(model.index(5, 0).data().toString(), "p1005");
}

TEST_F(GridTest, FiltersAndHiddenDeletedRecordsDecideTheRows) {
  auto t = People(10);
  t->Go(4);
  ASSERT_TRUE(t->RLock());
  t->DeleteRec();
  t->UnLock();
  TXbGridModel model(*t);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.setColumns(Columns());
  model.fetchAll();
  EXPECT_EQ(model.rowCount(), 9);
  EXPECT_EQ(model.rowOfRecNo(4), -1);

  t->SetFilterTo("FLAG = \"Y\"");
  model.refresh();
  model.fetchAll();
  EXPECT_EQ(Texts(model, 3), QStringList({"1", "3", "5", "7", "9"}));

  // With deleted records shown, the deleted one is there and says so.
  t->SetFilterTo("");
  t->SetHideDeletedRecs(false);
  model.refresh();
  model.fetchAll();
  ASSERT_EQ(model.rowCount(), 10);
  EXPECT_TRUE(model.index(3, 0).data(TXbColumnModel::DeletedRole).toBool());
  EXPECT_FALSE(model.index(2, 0).data(TXbColumnModel::DeletedRole).toBool());
}

TEST_F(GridTest, BooleanColumnsReadAndToggleTheirTrueAndFalseTexts) {
  auto t = People(3);
  TXbGridModel model(*t);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.setColumns(Columns());
  model.fetchAll();
  EXPECT_EQ(model.index(0, 1).data(TXbColumnModel::BooleanRole), QVariant(true));   // FLAG "Y"
  EXPECT_EQ(model.index(1, 1).data(TXbColumnModel::BooleanRole), QVariant(false));  // FLAG "N"
  EXPECT_EQ(model.index(2, 2).data(TXbColumnModel::BooleanRole), QVariant(true));   // DONE .T.
  EXPECT_FALSE(model.index(0, 0).data(TXbColumnModel::BooleanRole).isValid());

  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  ASSERT_TRUE(model.setData(model.index(1, 1), {}, TXbColumnModel::ToggleRole));
  ASSERT_TRUE(model.setData(model.index(2, 2), {}, TXbColumnModel::ToggleRole));
  EXPECT_EQ(changed.count(), 2);
  t->Go(2);
  EXPECT_EQ(t->GetField("FLAG"), "Y");
  t->Go(3);
  EXPECT_FALSE(t->FieldByName("DONE")->AsBoolean());
  // Only Boolean cells toggle, and a read-only model toggles nothing.
  EXPECT_FALSE(model.setData(model.index(0, 0), {}, TXbColumnModel::ToggleRole));
  model.setReadOnly(true);
  EXPECT_FALSE(model.setData(model.index(0, 1), {}, TXbColumnModel::ToggleRole));
}

TEST_F(GridTest, AToggleOfARecordLockedElsewhereIsRefusedAndWritesNothing) {
  auto t = People(2);
  auto other = Table("Other", "people.dbf", {});
  other->SetTableLanguage(xb::TXbTableLanguage::tlAnsi);
  other->Open();
  other->Go(1);
  ASSERT_TRUE(other->RLock());
  TXbGridModel model(*t);
  model.setColumns(Columns());
  model.fetchAll();
  QSignalSpy failed(&model, &TXbGridModel::writeFailed);
  EXPECT_FALSE(model.setData(model.index(0, 1), {}, TXbColumnModel::ToggleRole));
  EXPECT_EQ(failed.count(), 1);
  EXPECT_TRUE(model.lastError().contains("locked"));
  other->UnLock();
  t->Go(1);
  EXPECT_EQ(t->GetField("FLAG"), "Y");
  EXPECT_EQ(t->State(), xb::TDataSetState::dsBrowse);
}

TEST_F(GridTest, CtrlDeleteAsksThenDeletesAndDownOnTheLastRowAppendsOnlyWithAutoAppend) {
  auto t = People(3);
  TXbGridModel model(*t);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.setColumns(Columns());
  TXbGrid grid;
  grid.setModel(&model);
  grid.resize(400, 300);
  model.fetchAll();
  int asked = 0;
  bool answer = false;
  grid.askDelete = [&](QWidget*) {
    ++asked;
    return answer;
  };
  grid.setCurrentIndex(model.index(1, 0));
  QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(model.rowCount(), 3);  // declined
  answer = true;
  QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(model.rowCount(), 2);
  t->SetHideDeletedRecs(false);
  t->Go(2);
  EXPECT_TRUE(t->Deleted());
  t->SetHideDeletedRecs(true);

  grid.setCurrentIndex(model.index(1, 0));
  grid.setAutoAppend(false);
  QTest::keyClick(&grid, Qt::Key_Down);
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(t->RecordCount(), 3);
  grid.setAutoAppend(true);
  QTest::keyClick(&grid, Qt::Key_Down);
  EXPECT_EQ(model.rowCount(), 3);
  EXPECT_EQ(t->RecordCount(), 4);
  EXPECT_EQ(grid.currentIndex().row(), 2);

  // A read-only grid neither deletes nor appends.
  grid.setReadOnly(true);
  QTest::keyClick(&grid, Qt::Key_Down);
  QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(model.rowCount(), 3);
}

TEST_F(GridTest, SpaceTogglesABooleanCellAndOtherKeysTypeNothingIntoIt) {
  auto t = People(2);
  TXbGridModel model(*t);
  model.setColumns(Columns());
  TXbGrid grid;
  grid.setModel(&model);
  model.fetchAll();
  grid.setCurrentIndex(model.index(0, 1));
  QTest::keyClick(&grid, Qt::Key_Space);
  t->Go(1);
  EXPECT_EQ(t->GetField("FLAG"), "N");
  QTest::keyClick(&grid, Qt::Key_Return);
  QTest::keyClick(&grid, Qt::Key_X);
  QTest::keyClick(&grid, Qt::Key_Backspace);
  t->Go(1);
  EXPECT_EQ(t->GetField("FLAG"), "Y");
  EXPECT_EQ(grid.currentIndex(), model.index(0, 1));
}

TEST_F(GridTest, RightClickOnATitleDepressesItAndCornerClicksAreReported) {
  auto t = People(2);
  TXbGridModel model(*t);
  model.setColumns(Columns());
  TXbGrid grid;
  grid.setModel(&model);
  grid.resize(400, 200);
  grid.show();
  QSignalSpy depressed(&grid, &TXbGrid::depressTitle);
  QHeaderView* header = grid.horizontalHeader();
  const QPoint second(header->sectionViewportPosition(1) + 5, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, second);
  EXPECT_EQ(grid.depressedColumn(), -1);
  QTest::mouseClick(header->viewport(), Qt::RightButton, {}, second);
  EXPECT_EQ(grid.depressedColumn(), 1);
  ASSERT_EQ(depressed.count(), 1);
  EXPECT_EQ(depressed[0][0].toInt(), 1);
  // Moving the column keeps the depression on it.
  header->moveSection(1, 3);
  EXPECT_EQ(header->logicalIndexAt(header->sectionViewportPosition(1) + 5), 1);
  EXPECT_EQ(grid.depressedColumn(), 1);
  grid.setDepressDisabled(true);
  EXPECT_EQ(grid.depressedColumn(), -1);
  QTest::mouseClick(header->viewport(), Qt::RightButton, {}, second);
  EXPECT_EQ(grid.depressedColumn(), -1);

  QSignalSpy left(&grid, &TXbGrid::cornerLeftClick);
  QSignalSpy right(&grid, &TXbGrid::cornerRightClick);
  auto* corner = grid.findChild<QAbstractButton*>();
  ASSERT_NE(corner, nullptr);
  QTest::mouseClick(corner, Qt::LeftButton);
  QTest::mouseClick(corner, Qt::RightButton);
  EXPECT_EQ(left.count(), 1);
  EXPECT_EQ(right.count(), 1);
}

TEST_F(GridTest, TheColourHookAndDeletedRecordsDecideHowARowIsPainted) {
  auto t = People(2, /*hideDeleted=*/false);
  t->Go(2);
  ASSERT_TRUE(t->RLock());
  t->DeleteRec();
  t->UnLock();
  TXbGridModel model(*t);
  model.setColumns(Columns());
  TXbGrid grid;
  grid.setModel(&model);
  grid.resize(700, 200);
  model.fetchAll();
  auto pixelOf = [&](int row) {
    QImage image(grid.size(), QImage::Format_RGB32);
    grid.render(&image);
    const QRect cell = grid.visualRect(model.index(row, 3));
    return image.pixelColor(grid.viewport()->mapTo(&grid, cell.topRight() + QPoint(-2, 2)));
  };
  grid.clearSelection();
  grid.setCurrentIndex({});
  EXPECT_EQ(pixelOf(1), QColor(Qt::red));
  grid.onChangeColors = [](int row, TXbGridColors& c) {
    if (row == 0) c.cellColor = QColor(0, 128, 0);
    c.deletedColor = QColor(0, 0, 200);
  };
  EXPECT_EQ(pixelOf(0), QColor(0, 128, 0));
  EXPECT_EQ(pixelOf(1), QColor(0, 0, 200));
}

TEST(XbBooleanBox, ACheckBoxShowsACrossOnlyForTrue) {
  auto inked = [](bool value, TXbBooleanBox box) {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    DrawBooleanBox(p, image.rect(), box, value, Qt::black);
    p.end();
    return image.pixelColor(10, 10) != QColor(Qt::white);  // the centre
  };
  EXPECT_TRUE(inked(true, TXbBooleanBox::bbCheckBox));
  EXPECT_FALSE(inked(false, TXbBooleanBox::bbCheckBox));
  EXPECT_TRUE(inked(true, TXbBooleanBox::bbFillBox));
  EXPECT_TRUE(inked(true, TXbBooleanBox::bbDotRed));
  EXPECT_FALSE(inked(true, TXbBooleanBox::bbText));
}

TEST(XbSavedColumns, ColumnNumbersCountTheColumnsTheListAdds) {
  struct Case {
    const char* name;
    int before;  // columns the grid has
    QStringList lines;
    int after;
    int widthColumn;
    int width;
  };
  const Case cases[] = {
      {"empty grid", 0, {"cvColumn=1", "cvWidthStr=80"}, 2, 1, 80},
      {"grid with columns", 2, {"cvColumn=1", "cvWidthStr=80"}, 4, 3, 80},
      {"a number not beyond changes nothing", 0, {"cvColumn=2", "cvColumn=0", "cvWidthStr=50"}, 3, 2, 50},
      {"lines before the first column are ignored", 0, {"cvWidthStr=70", "cvColumn=0"}, 1, 0, -1},
      {"a line without a known key is a column number", 0, {"1", "cvWidthStr=33"}, 2, 1, 33},
      {" spaces are trimmed", 0, {"  cvColumn = 0 ", " cvWidthStr = 44 "}, 1, 0, 44},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QList<TXbGridColumn> cols;
    for (int i = 0; i < c.before; ++i) {
      TXbGridColumn column;
      column.fieldName = QString("F%1").arg(i);
      cols.append(column);
    }
    ApplySavedColumns(cols, c.lines);
    ASSERT_EQ(cols.size(), c.after);
    EXPECT_EQ(cols[c.widthColumn].width, c.width);
  }
}

TEST(XbSavedColumns, EachKeySetsItsPartOfTheCurrentColumn) {
  QList<TXbGridColumn> cols{TXbGridColumn{}};  // the single empty design column goes
  ApplySavedColumns(cols, {"cvColumn=0", "cvFieldNameStr=DESC", "cvTitleCaptionStr=Note Caption",
                           "cvColorStr=clRed", "cvFontStr=Arial,$00FF0000,0x30A", "cvAlignmentStr=taRightJustify",
                           "cvTitleAlignmentStr=taCenter", "cvReadOnlyStr=true", "cvTitleColorStr=255",
                           "cvAlignmentStr=taNowhere"});
  ASSERT_EQ(cols.size(), 1);
  const TXbGridColumn& c = cols[0];
  EXPECT_EQ(c.fieldName, "DESC");
  EXPECT_EQ(c.title, "Note Caption");
  EXPECT_EQ(c.color, QColor(Qt::red));
  ASSERT_TRUE(c.font.has_value());
  EXPECT_EQ(c.font->family(), "Arial");
  EXPECT_EQ(c.font->pointSize(), 10);
  EXPECT_TRUE(c.font->bold());
  EXPECT_TRUE(c.font->italic());
  EXPECT_EQ(c.fontColor, QColor(0, 0, 255));  // 0x00BBGGRR
  EXPECT_EQ(c.alignment, Qt::AlignLeft);       // an unknown alignment is left
  EXPECT_EQ(c.titleAlignment, Qt::AlignHCenter);
  EXPECT_TRUE(c.readOnly);
  EXPECT_EQ(c.titleColor, QColor(255, 0, 0));
}

TEST_F(GridTest, SavedColumnsOnAGridBuildItsColumns) {
  auto t = People(1);
  TXbGridModel model(*t);
  TXbGrid grid;
  grid.setModel(&model);
  grid.setSavedColumns({"cvColumn=1", "cvFieldNameStr=NAME", "cvWidthStr=80"});
  ASSERT_EQ(model.columnCount(), 2);
  EXPECT_EQ(grid.columnWidth(1), 80);
  model.fetchAll();
  EXPECT_EQ(model.index(0, 1).data().toString(), "p1000");
  EXPECT_TRUE(grid.savedColumns().isEmpty());
  // Reading the rows again keeps a width the user dragged.
  grid.setColumnWidth(1, 150);
  model.refresh();
  EXPECT_EQ(grid.columnWidth(1), 150);
}

}  // namespace
