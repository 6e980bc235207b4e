#pragma once
// Stand-ins for the program's seams, recording what the windows asked of
// the desktop: sounds, the mail handler, help pages, message boxes,
// alarms and the common dialogs.
#include <QStringList>
#include <deque>

#include "app/ui/Pickers.h"
#include "app/ui/Seams.h"

namespace qp {

class FakeSound : public Sound {
 public:
  void play(const QString& file) override { played.append(file); }
  QStringList played;
};

class FakeShell : public Shell {
 public:
  bool openUrl(const QUrl& url) override {
    urls.append(url);
    return true;
  }
  QList<QUrl> urls;
};

class FakeHelp : public Help {
 public:
  void show(int context) override { contexts.append(context); }
  QList<int> contexts;
};

class FakeAsk : public Ask {
 public:
  void warning(QWidget*, const QString&, const QString& text) override { warnings.append(text); }
  void information(QWidget*, const QString&, const QString& text) override { informations.append(text); }
  QStringList warnings;
  QStringList informations;
};

class FakeAlarms : public Alarms {
 public:
  void open(const NoteRecord& note) override { captions.append(note.caption); }
  QStringList captions;
};

// Answers each common dialog with the next queued answer; an empty queue
// answers as Cancel would.
class FakePickers : public Pickers {
 public:
  std::optional<QFont> font(QWidget*, const QFont& initial) override {
    fontAskedWith.append(initial);
    return Next(fonts);
  }
  std::optional<QColor> color(QWidget*, const QColor& initial, const QString&) override {
    colorAskedWith.append(initial);
    return Next(colors);
  }
  std::optional<QString> soundFile(QWidget*, const QString&) override { return Next(files); }

  std::deque<std::optional<QFont>> fonts;
  std::deque<std::optional<QColor>> colors;
  std::deque<std::optional<QString>> files;
  QList<QFont> fontAskedWith;
  QList<QColor> colorAskedWith;

 private:
  template <typename T>
  static std::optional<T> Next(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) return std::nullopt;
    std::optional<T> answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

}  // namespace qp
