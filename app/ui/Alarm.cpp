#include "app/ui/Alarm.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "app/model/ColorRef.h"
#include "app/ui/MinuteLength.h"
#include "components/IniFile.h"
#include "richtext/RichEdit.h"

namespace qp {

namespace {

const QPoint kUsualPlace(207, 195);

}  // namespace

TFrmAlarm::TFrmAlarm(const NoteRecord& note, const Preferences& preferences, Sound* sound, QWidget* parent)
    : QWidget(parent, Qt::Window), preferences_(preferences), sound_(sound) {
  setObjectName("FrmAlarm");
  setWindowTitle("Note Alarm");
  setAttribute(Qt::WA_DeleteOnClose);
  setMinimumSize(230, 230);
  resize(253, 203);

  intro_ = new QLabel("The following alarm has activated:", this);
  intro_->setObjectName("Label1");
  intro_->setWordWrap(true);
  caption_ = new QLabel(note.caption, this);
  caption_->setObjectName("LblCaption");
  caption_->setAlignment(Qt::AlignCenter);
  caption_->setWordWrap(true);
  QFont bold = caption_->font();
  bold.setBold(true);
  caption_->setFont(bold);
  text_ = new RichEdit(this);
  text_->setObjectName("RichEdit1");
  text_->setReadOnly(true);
  text_->setAutoUrlDetect(true);
  text_->setPrintJobName("Quillpad");
  text_->setColor(FromColorRef(note.color));
  text_->setRtf(note.rtf);
  snooze_ = new QPushButton("Snooze", this);
  snooze_->setObjectName("BtnSnooze");
  ok_ = new QPushButton("Ok", this);
  ok_->setObjectName("BtnOk");
  connect(snooze_, &QPushButton::clicked, this, &TFrmAlarm::snooze);
  connect(ok_, &QPushButton::clicked, this, &QWidget::close);

  timer_replay_.setObjectName("TimerReplay");
  timer_replay_.setInterval(MinutesMs(preferences_.repeatInterval));
  connect(&timer_replay_, &QTimer::timeout, this, &TFrmAlarm::playReminderSound);
  timer_snooze_.setObjectName("TimerSnooze");
  // A snooze of no time (0 or less, written by hand into Config.cfg) would
  // bring the window back at once: it lasts a minute, as the dialog stores.
  timer_snooze_.setInterval(MinutesMs(std::max(1, preferences_.snoozeInterval)));
  connect(&timer_snooze_, &QTimer::timeout, this, &TFrmAlarm::endSnooze);

  // On the screen that holds the note, where the user will look for it; a
  // note on no screen (hidden, or left on a monitor that is gone) has its
  // alarm on the primary screen.
  QScreen* screen = QGuiApplication::screenAt(note.geometry.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) move(placeFor(preferences_.reminderPosition, screen->availableGeometry(), frameGeometry().size()));
}

QPoint TFrmAlarm::placeFor(int position, QRect screen, QSize window) {
  const int right = screen.x() + screen.width() - window.width();
  const int bottom = screen.y() + screen.height() - window.height();
  QPoint at;
  switch (position) {
    case 0: at = screen.topLeft(); break;
    case 1: at = QPoint(right, screen.y()); break;
    case 2: at = QPoint(screen.x(), bottom); break;
    case 3: at = QPoint(right, bottom); break;
    default: at = screen.topLeft() + kUsualPlace; break;
  }
  // Never off the screen: the usual place on a small screen moves in, and
  // a window larger than the screen keeps its title bar and top left on it.
  at.setX(std::max(screen.x(), std::min(at.x(), right)));
  at.setY(std::max(screen.y(), std::min(at.y(), bottom)));
  return at;
}

void TFrmAlarm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  raise();
  activateWindow();
  playReminderSound();
  // A negative RepeatInterval from a hand-edited Config.cfg means no replay,
  // like 0, rather than a timer that rings without pause.
  if (preferences_.playSound && preferences_.repeatInterval > 0)
    timer_replay_.start();
  else
    timer_replay_.stop();
}

void TFrmAlarm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The buttons stay centred together and keep their distance from the
  // bottom edge; the labels take the lines their text needs in the
  // desktop's font, and the text fills what is left.
  const int buttonsTop = height() - 31;
  snooze_->setGeometry(width() / 2 - 82, buttonsTop, 77, 25);
  ok_->setGeometry(snooze_->x() + 80, buttonsTop, 77, 25);
  const int inner = width() - 17;
  intro_->setGeometry(9, 6, inner, std::max(16, intro_->heightForWidth(inner)));
  const int captionTop = intro_->geometry().bottom() + 3;
  caption_->setGeometry(9, captionTop, inner, std::max(16, caption_->heightForWidth(inner)));
  const int textTop = caption_->geometry().bottom() + 5;
  text_->setGeometry(8, textTop, width() - 16, buttonsTop - 10 - textTop);
}

void TFrmAlarm::playReminderSound() {
  if (!preferences_.playSound) return;
  // Played without waiting, so other windows keep running; a missing file
  // plays nothing and says nothing.
  if (sound_ && QFileInfo::exists(preferences_.soundFile)) sound_->play(preferences_.soundFile);
  raise();
}

void TFrmAlarm::snooze() {
  timer_replay_.stop();
  hide();
  timer_snooze_.start();
}

void TFrmAlarm::endSnooze() {
  timer_snooze_.stop();
  show();  // plays at once and starts the replays again
  raise();
}

void AlarmWindows::open(const NoteRecord& note) {
  const Preferences preferences = LoadPreferences(config_file_, services_.contentFolder);
  auto* alarm = new TFrmAlarm(note, preferences, services_.sound);
  alarm->show();
}

}  // namespace qp
