// TFormPlace: the ten numbers in Config.cfg, and windows put back where
// they were (and onto a screen).
#include "components/FormPlace.h"

#include "components/IniFile.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Numbers = TFormPlace::Numbers;

TEST(FormPlaceFormat, TextParsesLeftToRightIntoTenNumbers) {
  struct Case {
    const char* text;
    std::optional<Numbers> expected;
  };
  const Case cases[] = {
      {"0,1,-1,-1,-1,-1,100,100,740,580", Numbers{0, 1, -1, -1, -1, -1, 100, 100, 740, 580}},
      // Too few numbers: the text after the last comma becomes the tenth.
      {"1,2,3", Numbers{1, 2, 0, 0, 0, 0, 0, 0, 0, 3}},
      {"", Numbers{}},
      {"5", Numbers{0, 0, 0, 0, 0, 0, 0, 0, 0, 5}},
      // A text cut at 40 characters by earlier versions, inside the bottom edge.
      {"0,1,-1,-1,-1,-1,-32000,-32000,1200000,12", Numbers{0, 1, -1, -1, -1, -1, -32000, -32000, 1200000, 12}},
      {"2,3,-1,-1,-1,-1,-2147483648,0,2147483647,-2147483648",
       Numbers{2, 3, -1, -1, -1, -1, INT_MIN, 0, INT_MAX, INT_MIN}},
      // Damage that earlier versions failed on with a conversion error.
      {"x,1,-1,-1,-1,-1,100,100,740,580", std::nullopt},
      {"0,1,-1,-1,-1,-1,100,100,740,5a0", std::nullopt},
      {"0,1,-1,-1,-1,-1,100,100,740,580,7", std::nullopt},
      {"0,1,-1,-1,-1,-1,100,100,740,99999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TFormPlace::parsePlacement(QString::fromLatin1(c.text)), c.expected);
  }
}

TEST(FormPlaceFormat, FormattingWritesAllDigitsJoinedByCommas) {
  const Numbers n{0, 1, -1, -1, -1, -1, -32000, -32000, 1200000, 1200000};
  const QString text = TFormPlace::formatPlacement(n);
  EXPECT_EQ(text, "0,1,-1,-1,-1,-1,-32000,-32000,1200000,1200000");
  EXPECT_EQ(TFormPlace::parsePlacement(text), n);
}

class FormPlaceTest : public ::testing::Test {
 protected:
  QString config() const { return dir_.filePath(QStringLiteral("config.cfg")); }
  // A placement component on `window` that keeps its entry in config().
  std::unique_ptr<TFormPlace> placeFor(QWidget& window) {
    auto place = std::make_unique<TFormPlace>(&window);
    place->setIniFileName(config());
    place->setEntry(QStringLiteral("FrmTemplate"));
    return place;
  }
  void store(const QString& text) {
    qp::IniFile ini(config());
    ASSERT_TRUE(ini.writeString("Screens", "FrmTemplate", text));
  }
  QString stored() const { return qp::IniFile(config()).readString("Screens", "FrmTemplate"); }
  static QRect screenArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

  QTemporaryDir dir_;
};

// Placements are outer rectangles, frame included; right and bottom are
// exclusive edges.
Numbers NormalPlacement(const QRect& outer) {
  return {0, 1, -1, -1, -1, -1, outer.left(), outer.top(), outer.left() + outer.width(),
          outer.top() + outer.height()};
}

TEST_F(FormPlaceTest, StoredNumbersRestoreTheSameOuterRectangle) {
  store(QStringLiteral("0,1,-1,-1,-1,-1,100,100,740,580"));
  QWidget window;
  window.setGeometry(10, 10, 200, 150);
  window.show();
  placeFor(window)->RestorePlacement();
  EXPECT_EQ(window.frameGeometry(), QRect(100, 100, 640, 480));
  EXPECT_EQ(window.windowState(), Qt::WindowNoState);

  window.move(150, 120);
  placeFor(window)->SavePlacement();
  EXPECT_EQ(stored(), "0,1,-1,-1,-1,-1,150,120,790,600");
}

TEST_F(FormPlaceTest, SavedWindowComesBackInTheSamePlace) {
  QRect outer;
  {
    QWidget window;
    window.setGeometry(100, 100, 640, 480);
    window.show();
    outer = window.frameGeometry();
    placeFor(window)->SavePlacement();
  }
  EXPECT_EQ(TFormPlace::parsePlacement(stored()), NormalPlacement(outer));
  QWidget again;
  again.show();
  placeFor(again)->RestorePlacement();
  EXPECT_EQ(again.frameGeometry(), outer);
}

TEST_F(FormPlaceTest, MaximisedAndMinimisedStatesComeBackWithTheirNormalRectangle) {
  const struct {
    Qt::WindowState state;
    int show_command;
  } cases[] = {{Qt::WindowMaximized, 3}, {Qt::WindowMinimized, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.show_command);
    QWidget window;
    window.setGeometry(120, 90, 300, 200);
    window.show();
    const QRect outer = window.frameGeometry();
    window.setWindowState(c.state);
    placeFor(window)->SavePlacement();
    Numbers expected = NormalPlacement(outer);
    expected[1] = c.show_command;
    EXPECT_EQ(TFormPlace::parsePlacement(stored()), expected);

    QWidget again;
    again.show();
    placeFor(again)->RestorePlacement();
    EXPECT_TRUE(again.windowState() & c.state);
    again.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(again.frameGeometry(), outer);
  }
}

TEST_F(FormPlaceTest, MissingOrDamagedEntryKeepsTheDesignedPosition) {
  const char* entries[] = {
      nullptr,                              // no entry at all
      "",                                   // empty
      "1,2,3",                              // left 0 is not less than right 0
      "0,1,-1,-1,-1,-1,500,100,400,300",    // left beyond right
      "0,1,-1,-1,-1,-1,1oo,100,740,580",    // not a number
  };
  for (const char* entry : entries) {
    SCOPED_TRACE(entry ? entry : "(none)");
    if (entry) store(QString::fromLatin1(entry));
    QWidget window;
    window.setGeometry(30, 40, 250, 160);
    window.show();
    placeFor(window)->RestorePlacement();
    EXPECT_EQ(window.geometry(), QRect(30, 40, 250, 160));
  }
}

TEST_F(FormPlaceTest, PlacementOffEveryScreenIsPulledBackOntoOne) {
  const QRect area = screenArea();
  const QRect far_away[] = {
      {area.right() + 5000, area.bottom() + 5000, 300, 200},
      {area.left() - 10000, area.top(), 300, 200},
      {area.left(), area.top() - 900, 300, 200},
      // Only a sliver showing is as good as lost.
      {area.right() - 5, area.top() + 50, 300, 200},
  };
  for (const QRect& r : far_away) {
    SCOPED_TRACE(QString("%1,%2").arg(r.left()).arg(r.top()).toStdString());
    store(TFormPlace::formatPlacement(NormalPlacement(r)));
    QWidget window;
    window.show();
    placeFor(window)->RestorePlacement();
    EXPECT_TRUE(area.contains(window.frameGeometry()))
        << window.frameGeometry().x() << "," << window.frameGeometry().y();
    EXPECT_EQ(window.frameGeometry().size(), QSize(300, 200));
  }
}

TEST_F(FormPlaceTest, PartlyVisibleWindowStaysWhereItWas) {
  const QRect area = screenArea();
  const QRect r(area.right() - 100, area.bottom() - 100, 300, 200);
  store(TFormPlace::formatPlacement(NormalPlacement(r)));
  QWidget window;
  window.show();
  placeFor(window)->RestorePlacement();
  EXPECT_EQ(window.frameGeometry(), r);
}

TEST_F(FormPlaceTest, PlacementLargerThanTheDesktopIsCutToIt) {
  store(QStringLiteral("0,1,-1,-1,-1,-1,-2000000000,-2000000000,2000000000,2000000000"));
  QWidget window;
  window.show();
  placeFor(window)->RestorePlacement();
  EXPECT_TRUE(screenArea().contains(window.frameGeometry()));
}

TEST_F(FormPlaceTest, EmptyIniFileNameNeverTouchesAFile) {
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  QWidget window;
  TFormPlace place(&window);
  place.setIniFileName(QString());
  window.setGeometry(30, 40, 250, 160);
  place.SavePlacement();
  place.RestorePlacement();
  EXPECT_TRUE(QDir(dir_.path()).isEmpty());
  EXPECT_EQ(window.geometry(), QRect(30, 40, 250, 160));
  QDir::setCurrent(previous);
}

TEST_F(FormPlaceTest, EntryDefaultsToTheOwnerName) {
  QWidget window;
  window.setObjectName(QStringLiteral("FrmMaintainNotes"));
  TFormPlace place(&window);
  EXPECT_EQ(place.iniFileName(), "DIMWIN.INI");
  EXPECT_EQ(place.entry(), "FrmMaintainNotes");
  place.setEntry(QStringLiteral("Other"));
  EXPECT_EQ(place.entry(), "Other");
}

}  // namespace
