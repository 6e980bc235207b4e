// TTrayNotifyIcon driven through its input handling, with a fake status
// area and a click timer the test fires by hand.
#include "components/TrayIcon.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStyleHints>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class FakeTray : public qp::TrayBackend {
 public:
  bool isAvailable() const override { return available; }
  void setIcon(const QIcon& i) override { icon = i; }
  void setToolTip(const QString& tip) override { tool_tip = tip; }
  void setVisible(bool v) override {
    if (v) ++adds;
    visible = v;
  }

  bool available = true;
  bool visible = false;
  int adds = 0;
  QIcon icon;
  QString tool_tip;
};

class ManualTimer : public qp::ClickTimer {
 public:
  void start(int interval_ms) override {
    active = true;
    interval = interval_ms;
    ++starts;
  }
  void stop() override { active = false; }
  bool isActive() const override { return active; }
  // Runs the timer out, as the real one does after its interval.
  void fire() {
    if (!active) return;
    active = false;
    onTimeout();
  }

  bool active = false;
  int interval = -1;
  int starts = 0;
};

// The icon with its fake status area and timer.
struct Rig {
  Rig() {
    auto tray = std::make_unique<FakeTray>();
    auto timer = std::make_unique<ManualTimer>();
    tray_ = tray.get();
    timer_ = timer.get();
    icon_ = std::make_unique<TTrayNotifyIcon>(nullptr, std::move(tray), std::move(timer));
  }

  FakeTray* tray_;
  ManualTimer* timer_;
  std::unique_ptr<TTrayNotifyIcon> icon_;
};

class TrayIconTest : public ::testing::Test, protected Rig {};

// Input scripts: D left button down, B left double click, T the click timer
// runs out.
TEST_F(TrayIconTest, SingleAndDoubleClicksAreReportedSeparately) {
  struct Case {
    const char* script;
    int clicks;
    int double_clicks;
  };
  const Case cases[] = {
      {"D", 0, 0},      // a click is not reported before the timer runs out
      {"DT", 1, 0},     {"DB", 0, 1},     {"DBT", 0, 1},    {"DBDT", 0, 1},
      {"DDT", 1, 0},    // a second press while waiting is the same click
      {"DBTDT", 1, 1},  // the double click does not swallow the next click
      {"BDT", 1, 1},    // nor does a double click nobody pressed for
      {"DTDT", 2, 0},   {"T", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    Rig fresh;
    QSignalSpy clicked(fresh.icon_.get(), &TTrayNotifyIcon::clicked);
    QSignalSpy double_clicked(fresh.icon_.get(), &TTrayNotifyIcon::doubleClicked);
    for (const char* p = c.script; *p; ++p) {
      if (*p == 'D') fresh.icon_->handleInput(TTrayNotifyIcon::Input::LeftButtonDown, {});
      if (*p == 'B') fresh.icon_->handleInput(TTrayNotifyIcon::Input::LeftDoubleClick, {});
      if (*p == 'T') fresh.timer_->fire();
    }
    EXPECT_EQ(clicked.count(), c.clicks);
    EXPECT_EQ(double_clicked.count(), c.double_clicks);
  }
}

TEST_F(TrayIconTest, ClickWaitsOneDoubleClickIntervalAndPressesDoNotRestartIt) {
  icon_->handleInput(TTrayNotifyIcon::Input::LeftButtonDown, {});
  icon_->handleInput(TTrayNotifyIcon::Input::LeftButtonDown, {});
  EXPECT_EQ(timer_->interval, QGuiApplication::styleHints()->mouseDoubleClickInterval());
  EXPECT_EQ(timer_->starts, 1);
}

TEST_F(TrayIconTest, StatusAreaActivationsReachTheClickLogic) {
  QSignalSpy clicked(icon_.get(), &TTrayNotifyIcon::clicked);
  QSignalSpy double_clicked(icon_.get(), &TTrayNotifyIcon::doubleClicked);
  emit tray_->activated(QSystemTrayIcon::Trigger);
  emit tray_->activated(QSystemTrayIcon::DoubleClick);
  emit tray_->activated(QSystemTrayIcon::MiddleClick);
  timer_->fire();
  EXPECT_EQ(clicked.count(), 0);
  EXPECT_EQ(double_clicked.count(), 1);
}

TEST_F(TrayIconTest, RightButtonOpensThePopupMenuAtThePointer) {
  QMenu menu;
  menu.addAction(QStringLiteral("Shutdown Quillpad"));
  icon_->setPopupMenu(&menu);
  icon_->handleInput(TTrayNotifyIcon::Input::RightButtonDown, QPoint(40, 30));
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(menu.pos(), QPoint(40, 30));
  menu.close();
}

TEST_F(TrayIconTest, RightButtonWithoutMenuDoesNothing) {
  QSignalSpy clicked(icon_.get(), &TTrayNotifyIcon::clicked);
  icon_->handleInput(TTrayNotifyIcon::Input::RightButtonDown, QPoint(40, 30));
  timer_->fire();
  EXPECT_EQ(clicked.count(), 0);
  EXPECT_TRUE(QApplication::activePopupWidget() == nullptr);
}

TEST_F(TrayIconTest, DestroyedMenuIsForgotten) {
  auto* menu = new QMenu;
  menu->addAction(QStringLiteral("Help..."));
  icon_->setPopupMenu(menu);
  delete menu;
  EXPECT_EQ(icon_->popupMenu(), nullptr);
  icon_->handleInput(TTrayNotifyIcon::Input::RightButtonDown, QPoint(40, 30));
  EXPECT_TRUE(QApplication::activePopupWidget() == nullptr);
}

TEST_F(TrayIconTest, HintReachesTheToolTipCutTo63Characters) {
  const QString hint = QString(100, QLatin1Char('h'));
  icon_->setHint(QStringLiteral("Quillpad"));
  EXPECT_EQ(tray_->tool_tip, "");  // nothing is sent while hidden
  icon_->setIconVisible(true);
  EXPECT_EQ(tray_->tool_tip, "Quillpad");
  icon_->setHint(hint);
  EXPECT_EQ(tray_->tool_tip, hint.left(63));
  EXPECT_EQ(icon_->hint(), hint);
  // A character outside the basic plane is never cut in half.
  icon_->setHint(QString(62, QLatin1Char('h')) + QString::fromUtf8("\xF0\x9F\x93\x9D"));
  EXPECT_EQ(tray_->tool_tip, QString(62, QLatin1Char('h')));
}

TEST_F(TrayIconTest, IconIsAddedOnceAndRemovedOnRealChangesOnly) {
  icon_->setIconVisible(true);
  icon_->setIconVisible(true);
  EXPECT_EQ(tray_->adds, 1);
  EXPECT_TRUE(tray_->visible);
  EXPECT_FALSE(tray_->icon.isNull());  // an empty Icon shows a stand-in
  icon_->setIconVisible(false);
  EXPECT_FALSE(tray_->visible);
  icon_->setIconVisible(true);
  EXPECT_EQ(tray_->adds, 2);
}

TEST_F(TrayIconTest, DestroyingAVisibleIconRemovesIt) {
  bool removed = false;
  QObject::connect(tray_, &QObject::destroyed, [&] { removed = !tray_->visible; });
  icon_->setIconVisible(true);
  icon_.reset();
  EXPECT_TRUE(removed);
}

TEST_F(TrayIconTest, IconChangeWhileVisibleUpdatesTheShownIcon) {
  icon_->setIconVisible(true);
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::red);
  const QIcon red(pixmap);
  icon_->setIcon(red);
  EXPECT_EQ(tray_->icon.cacheKey(), red.cacheKey());
}

TEST_F(TrayIconTest, MissingStatusAreaIsReportedAndItsArrivalNoticed) {
  QSignalSpy changed(icon_.get(), &TTrayNotifyIcon::trayAvailabilityChanged);
  tray_->available = false;
  icon_->setIconVisible(true);
  EXPECT_FALSE(icon_->trayAvailable());
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.takeFirst().at(0).toBool(), false);

  icon_->recheckTray();
  EXPECT_EQ(changed.count(), 0);  // still missing: nothing new to say

  tray_->available = true;
  const int adds_before = tray_->adds;
  icon_->recheckTray();
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.takeFirst().at(0).toBool(), true);
  EXPECT_GT(tray_->adds, adds_before);  // the icon is put into the new area
  EXPECT_TRUE(tray_->visible);
}

TEST_F(TrayIconTest, HideTaskKeepsTopLevelWindowsOffTheTaskbar) {
  QWidget note;
  note.setGeometry(50, 60, 200, 100);
  note.show();
  QWidget dialog(&note, Qt::Dialog);
  icon_->setHideTask(true);
  EXPECT_EQ(note.windowType(), Qt::Tool);
  EXPECT_TRUE(note.isVisible());
  EXPECT_EQ(note.geometry(), QRect(50, 60, 200, 100));
  EXPECT_EQ(dialog.windowType(), Qt::Dialog);

  QWidget later;
  icon_->applyHideTask(&later);
  EXPECT_EQ(later.windowType(), Qt::Tool);

  icon_->setHideTask(false);
  EXPECT_EQ(note.windowType(), Qt::Window);
  EXPECT_TRUE(note.isVisible());
}

}  // namespace

namespace {

// The real service under the offscreen platform, which has no status area:
// the component must say so instead of failing quietly.
TEST(TrayIconSystem, RealServiceReportsWhetherAStatusAreaExists) {
  TTrayNotifyIcon icon;
  QSignalSpy changed(&icon, &TTrayNotifyIcon::trayAvailabilityChanged);
  icon.setHint(QStringLiteral("Quillpad"));
  icon.setIconVisible(true);
  EXPECT_EQ(icon.trayAvailable(), QSystemTrayIcon::isSystemTrayAvailable());
  EXPECT_EQ(changed.count(), icon.trayAvailable() ? 0 : 1);
  icon.setIconVisible(false);
}

}  // namespace
