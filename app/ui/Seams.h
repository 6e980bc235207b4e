#pragma once
// The program's ways out to the desktop, each behind a small interface that
// tests replace: sounds, the mail handler, the help page, message boxes and
// the time of day.
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

#include "app/model/Clock.h"
#include "app/model/NoteRecord.h"
#include "app/model/Preferences.h"

class QWidget;

namespace qp {

class NotesManagerStore;
class Pickers;

class Sound {
 public:
  virtual ~Sound() = default;
  // Plays a wave file of the content folder without waiting for it. A
  // missing file or a machine without a sound device plays nothing.
  virtual void play(const QString& fileName) = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;
  virtual bool openUrl(const QUrl& url) = 0;
};

class Help {
 public:
  virtual ~Help() = default;
  // Opens the help page at the window's help context (0: the contents).
  virtual void show(int context) = 0;
};

class Ask {
 public:
  virtual ~Ask() = default;
  virtual void warning(QWidget* parent, const QString& title, const QString& text) = 0;
  virtual void information(QWidget* parent, const QString& title, const QString& text) { warning(parent, title, text); }
};

class Alarms {
 public:
  virtual ~Alarms() = default;
  // Opens an alarm window for the note whose reminder has just fired.
  virtual void open(const NoteRecord& note) = 0;
};

// Everything the windows share: the seams, the preferences and where the
// installation content is.
struct AppServices {
  Sound* sound = nullptr;
  Shell* shell = nullptr;
  Help* help = nullptr;
  Ask* ask = nullptr;
  Alarms* alarms = nullptr;
  Pickers* pickers = nullptr;  // null: Qt's own dialogs
  const Clock* clock = nullptr;
  Preferences preferences;
  QString contentFolder;
  // Opens the manager's own view of the tables (not yet opened).
  std::function<std::unique_ptr<NotesManagerStore>()> managerStore;
};

// The desktop implementations.
class DesktopSound : public Sound {
 public:
  explicit DesktopSound(QString contentFolder);
  ~DesktopSound() override;
  void play(const QString& fileName) override;

 private:
  QString folder_;
  class Player;
  Player* player_ = nullptr;
};

class DesktopShell : public Shell {
 public:
  bool openUrl(const QUrl& url) override;
};

class DesktopHelp : public Help {
 public:
  DesktopHelp(Shell& shell, QString contentFolder) : shell_(shell), folder_(std::move(contentFolder)) {}
  void show(int context) override;
  // The page and anchor for a context.
  static QUrl urlFor(const QString& contentFolder, int context);

 private:
  Shell& shell_;
  QString folder_;
};

class DesktopAsk : public Ask {
 public:
  void warning(QWidget* parent, const QString& title, const QString& text) override;
  void information(QWidget* parent, const QString& title, const QString& text) override;
};

}  // namespace qp
