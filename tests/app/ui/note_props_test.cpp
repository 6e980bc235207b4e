// The note properties dialog through its controls: the reminder type list,
// the enabling rules, the font and colour choices, filling and taking the
// values back; and through a note window, what OK and Cancel store.
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QTest>

#include "app/ui/NoteProps.h"
#include "richtext/RichEdit.h"
#include "tests/app/controller_fixture.h"

namespace qp {
namespace {

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

class NotePropsTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
  static NoteRecord Note() {
    NoteRecord n;
    n.caption = "Dentist";
    n.rtf = "{\\rtf1 Tuesday at ten}";
    n.color = 0x00CCFFCC;
    n.stayOnTop = true;
    n.created = "6/1/2026";
    n.alarmActive = true;
    n.alarmType = 3;
    n.alarmDate = QDate(2026, 6, 2);
    n.alarmTime = QTime(10, 0);
    n.expires = true;
    n.expireType = 2;
    n.expireDate = QDate(2026, 6, 9);
    n.expireTime = QTime(18, 30);
    n.expireToTrash = false;
    n.capFontName = "Sans Serif";
    n.capFontSize = 9;
    n.capFontColor = 0x00800000;
    return n;
  }
  QStringList Types() {
    QStringList texts;
    for (int i = 0; i < type_->count(); ++i) texts.append(type_->itemText(i));
    return texts;
  }

  FakePickers pickers_;
  TFrmNoteProps dialog_{nullptr, nullptr, &pickers_};
  QComboBox* type_ = Child<QComboBox>(&dialog_, "CmBxReminderType");
  QCalendarWidget* calendar_ = Child<QCalendarWidget>(&dialog_, "MonthCalendar1");
};

TEST_F(NotePropsTest, TheReminderTypeListFollowsTheCalendarAndKeepsItsChoice) {
  dialog_.fill(Note());
  const struct {
    QDate date;
    QStringList texts;
  } cases[] = {
      {QDate(2024, 3, 11),
       {"Monday, March 11, 2024", "Every Day", "Every Weekday", "Every Monday", "Every Month on the 11th",
        "Every Year on March 11"}},
      {QDate(2024, 3, 3),
       {"Sunday, March 3, 2024", "Every Day", "Every Weekday", "Every Sunday", "Every Month on the 3rd",
        "Every Year on March 3"}},
      {QDate(2025, 2, 20),
       {"Thursday, February 20, 2025", "Every Day", "Every Weekday", "Every Thursday", "Every Month on the 20th",
        "Every Year on February 20"}},
      {QDate(2025, 8, 22),
       {"Friday, August 22, 2025", "Every Day", "Every Weekday", "Every Friday", "Every Month on the 22nd",
        "Every Year on August 22"}},
  };
  for (const auto& c : cases) {
    calendar_->setSelectedDate(c.date);  // as a click in the calendar does
    EXPECT_EQ(Types(), c.texts) << c.date.toString().toStdString();
    EXPECT_EQ(type_->currentIndex(), 3) << "the chosen type stays chosen";
  }
}

TEST_F(NotePropsTest, TheControlsAreEnabledAsTheChecksSay) {
  dialog_.fill(Note());
  auto* active = Child<QCheckBox>(&dialog_, "CkBxReminderIsActive");
  auto* never = Child<QCheckBox>(&dialog_, "CkBxNeverExpires");
  auto* once = Child<QRadioButton>(&dialog_, "RbExpiresOnce");
  auto* everyDay = Child<QRadioButton>(&dialog_, "RbExpiresEveryday");
  QWidget* reminderControls[] = {type_, calendar_, Child<QTimeEdit>(&dialog_, "EdReminderTime")};
  QWidget* expiryControls[] = {once, everyDay, Child<QTimeEdit>(&dialog_, "EdExpireTime"),
                               Child<QCheckBox>(&dialog_, "CkBxMoveToTrash")};
  auto* date = Child<QDateEdit>(&dialog_, "EdExpireDate");
  const struct {
    bool active, never, once;
    bool reminderOn, expiryOn, dateOn;
  } cases[] = {
      {true, false, true, true, true, true},   {false, false, true, false, true, true},
      {true, false, false, true, true, false}, {true, true, true, true, false, false},
      {false, true, false, false, false, false},
  };
  for (const auto& c : cases) {
    active->setChecked(c.active);
    never->setChecked(c.never);
    (c.once ? once : everyDay)->setChecked(true);
    for (QWidget* w : reminderControls) EXPECT_EQ(w->isEnabled(), c.reminderOn) << w->objectName().toStdString();
    for (QWidget* w : expiryControls) EXPECT_EQ(w->isEnabled(), c.expiryOn) << w->objectName().toStdString();
    EXPECT_EQ(date->isEnabled(), c.dateOn) << c.active << c.never << c.once;
  }
}

TEST_F(NotePropsTest, WhatItIsFilledWithComesBackUnlessAControlChangedIt) {
  const NoteRecord note = Note();
  dialog_.fill(note);
  EXPECT_EQ(Child<QLabel>(&dialog_, "LblDateCreated")->text(), "6/1/2026");
  EXPECT_TRUE(Child<QCheckBox>(&dialog_, "CkBxShowing")->isChecked());
  EXPECT_TRUE(Child<QRadioButton>(&dialog_, "RbExpiresEveryday")->isChecked());
  NoteRecord back = dialog_.values(note);
  EXPECT_EQ(back.caption, note.caption);
  EXPECT_EQ(back.color, note.color);
  EXPECT_EQ(back.stayOnTop, true);
  EXPECT_EQ(back.alarmType, 3);
  EXPECT_EQ(back.alarmDate, note.alarmDate);
  EXPECT_EQ(back.alarmTime, note.alarmTime);
  EXPECT_EQ(back.expires, true);
  EXPECT_EQ(back.expireType, 2);
  EXPECT_EQ(back.expireDate, note.expireDate);
  EXPECT_EQ(back.expireTime, note.expireTime);
  EXPECT_EQ(back.expireToTrash, false);
  EXPECT_EQ(back.capFontName, "Sans Serif");
  EXPECT_EQ(back.capFontSize, 9);
  EXPECT_EQ(back.capFontColor, note.capFontColor);
  EXPECT_TRUE(Child<RichEdit>(&dialog_, "RichEditProp")->toPlainText() == "Tuesday at ten");

  Child<QLineEdit>(&dialog_, "EdDescription")->setText("Dentist moved");
  Child<QCheckBox>(&dialog_, "CkBxStayOnTop")->setChecked(false);
  Child<QCheckBox>(&dialog_, "CkBxNeverExpires")->setChecked(true);
  Child<QCheckBox>(&dialog_, "CkBxShowing")->setChecked(false);
  calendar_->setSelectedDate(QDate(2026, 6, 5));
  type_->setCurrentIndex(0);
  Child<QTimeEdit>(&dialog_, "EdReminderTime")->setTime(QTime(14, 45));
  Child<QRadioButton>(&dialog_, "RbExpiresOnce")->setChecked(true);
  back = dialog_.values(note);
  EXPECT_EQ(back.caption, "Dentist moved");
  EXPECT_FALSE(back.stayOnTop);
  EXPECT_FALSE(back.expires);
  EXPECT_EQ(back.expireType, 1);
  EXPECT_EQ(back.alarmType, 0);
  EXPECT_EQ(back.alarmDate, QDate(2026, 6, 5));
  EXPECT_EQ(back.alarmTime, QTime(14, 45));
  EXPECT_FALSE(dialog_.showing());
}

TEST_F(NotePropsTest, ATypedReminderTypeCountsOnlyWhenItNamesAnEntry) {
  const struct {
    const char* typed;
    int type;
  } cases[] = {
      {"Every Weekday", 2}, {"  every day ", 1}, {"every month on the 2nd", 4}, {"Every other Tuesday", 3},
      {"", 3},              {"7", 3},
  };
  for (const auto& c : cases) {
    dialog_.fill(Note());  // type 3, for the 2nd of June
    type_->setEditText(c.typed);
    EXPECT_EQ(dialog_.values(Note()).alarmType, c.type) << c.typed;
  }
  // A stored code the list does not hold stays when nothing is chosen.
  NoteRecord odd = Note();
  odd.alarmType = 8;
  dialog_.fill(odd);
  EXPECT_EQ(type_->currentIndex(), -1);
  EXPECT_EQ(dialog_.values(odd).alarmType, 8);
}

TEST_F(NotePropsTest, FontAndColourChoicesReachTheValuesAndCancelKeepsThem) {
  dialog_.fill(Note());
  QFont big("Serif", 20);
  big.setBold(true);
  pickers_.fonts = {big, std::nullopt};
  pickers_.colors = {QColor(255, 0, 0), std::nullopt, QColor(0, 0, 255)};
  auto click = [this](const char* name) { Child<QPushButton>(&dialog_, name)->click(); };
  click("Button2");  // font: sizes stay within 6..12, without style
  EXPECT_EQ(pickers_.fontAskedWith.back().pointSize(), 9);
  click("Button2");  // cancelled
  click("Button1");  // note colour: red
  click("Button1");  // cancelled
  click("BtnCaptionColor");
  const NoteRecord back = dialog_.values(Note());
  EXPECT_EQ(back.capFontName, "Serif");
  EXPECT_EQ(back.capFontSize, 12);
  EXPECT_EQ(back.color, 0x000000FFu);
  EXPECT_EQ(back.capFontColor, 0x00FF0000u);
  EXPECT_EQ(pickers_.colorAskedWith[1], QColor(255, 0, 0)) << "the dialog opens on the colour shown";
}

class NotePropsWindowTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  }
  void TearDown() override {
    QLocale::setDefault(QLocale::c());
    ControllerTest::TearDown();
  }
  // Runs `answer` on the dialog once it is up, then triggers `item` of the
  // note's Options menu.
  void WithDialog(TFrmNote* note, const char* item, std::function<void(TFrmNoteProps*)> answer) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<TFrmNoteProps*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      answer(dialog);
      answered = true;
    });
    note->findChild<QMenu*>("PupMenu")->findChild<QAction*>(item)->trigger();
    EXPECT_TRUE(answered);
  }
};

TEST_F(NotePropsWindowTest, SetReminderOpensOnItsPageAndOkStoresTheReminderAtOnce) {
  const NoteRecord stored = Stored("Call Ann", QRect(10, 10, 180, 160), true);
  Start();
  TFrmNote* note = OnlyNote();
  WithDialog(note, "SetReminder1", [](TFrmNoteProps* dialog) {
    EXPECT_EQ(dialog->findChild<QTabWidget*>()->currentIndex(), 2);
    Child<QCheckBox>(dialog, "CkBxReminderIsActive")->setChecked(true);
    Child<QCalendarWidget>(dialog, "MonthCalendar1")->setSelectedDate(QDate(2026, 6, 1));
    Child<QComboBox>(dialog, "CmBxReminderType")->setCurrentIndex(1);
    Child<QTimeEdit>(dialog, "EdReminderTime")->setTime(QTime(9, 6));
    Child<QLineEdit>(dialog, "EdDescription")->setText("Call Ann back");
    dialog->accept();
  });
  const NoteRecord record = Record(stored.recNo);
  EXPECT_TRUE(record.alarmActive);
  EXPECT_EQ(record.alarmType, 1);
  EXPECT_EQ(record.alarmTime, QTime(9, 6));
  EXPECT_EQ(record.caption, "Call Ann back");
  EXPECT_EQ(note->caption(), "Call Ann back");
  // The next check fires it.
  clock_.time = QDateTime(QDate(2026, 6, 1), QTime(9, 6, 10));
  controller_->timerCheckTimer();
  EXPECT_EQ(alarms_.captions, QStringList{"Call Ann back"});
}

TEST_F(NotePropsWindowTest, CancelChangesNothingAndAnUncheckedShowingHidesTheNote) {
  const NoteRecord stored = Stored("Keep me", QRect(10, 10, 180, 160), true);
  Start();
  TFrmNote* note = OnlyNote();
  WithDialog(note, "NoteProperties1", [](TFrmNoteProps* dialog) {
    EXPECT_EQ(dialog->findChild<QTabWidget*>()->currentIndex(), 0);
    Child<RichEdit>(dialog, "RichEditProp")->setPlainText("Edited in the dialog");
    dialog->reject();
  });
  EXPECT_EQ(note->plainText(), "Keep me");
  EXPECT_EQ(Record(stored.recNo).rtf, stored.rtf);

  WithDialog(note, "NoteProperties1", [](TFrmNoteProps* dialog) {
    Child<RichEdit>(dialog, "RichEditProp")->setPlainText("Hidden with this text");
    Child<QCheckBox>(dialog, "CkBxShowing")->setChecked(false);
    dialog->accept();
  });
  QCoreApplication::processEvents();
  EXPECT_TRUE(controller_->noteWindows().isEmpty());
  const NoteRecord record = Record(stored.recNo);
  EXPECT_FALSE(record.showing);
  EXPECT_TRUE(QString::fromUtf8(record.rtf).contains("Hidden with this text"));
}

}  // namespace
}  // namespace qp
