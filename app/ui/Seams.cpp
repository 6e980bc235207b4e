#include "app/ui/Seams.h"

#include "app/model/ProgramFolder.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QMessageBox>
#include <QSoundEffect>
#include <map>
#include <memory>

namespace qp {

namespace {

// Whether the machine has a sound output. Asked once: the audio back end
// complains on standard error when there is no sound server, and a desktop
// without sound is an ordinary desktop, so the question is asked with Qt's
// messages held back.
bool HaveSoundOutput() {
  static const bool have = [] {
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const bool found = !QMediaDevices::audioOutputs().isEmpty();
    qInstallMessageHandler(previous);
    return found;
  }();
  return have;
}

}  // namespace

// One QSoundEffect per file, made on first use; QSoundEffect plays on its
// own and never blocks the windows.
class DesktopSound::Player {
 public:
  std::map<QString, std::unique_ptr<QSoundEffect>> effects;
};

DesktopSound::DesktopSound(QString contentFolder) : folder_(std::move(contentFolder)), player_(new Player) {}

DesktopSound::~DesktopSound() { delete player_; }

void DesktopSound::play(const QString& fileName) {
  // A bare name is one of the sounds that came with the program; a user's
  // own choice (the reminder sound) is a full path.
  const QString path = QFileInfo(fileName).isAbsolute() ? fileName : SoundFileIn(folder_, fileName);
  if (path.isEmpty() || !QFileInfo::exists(path) || !HaveSoundOutput()) return;
  auto& effect = player_->effects[path];
  if (!effect) {
    effect = std::make_unique<QSoundEffect>();
    effect->setSource(QUrl::fromLocalFile(path));
  }
  effect->play();
}

bool DesktopShell::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

QUrl DesktopHelp::urlFor(const QString& contentFolder, int context) {
  QUrl url = QUrl::fromLocalFile(contentFolder + "help/index.html");
  if (context > 0) url.setFragment(QStringLiteral("context-%1").arg(context));
  return url;
}

void DesktopHelp::show(int context) {
  if (folder_.isEmpty() || !QFileInfo::exists(folder_ + "help/index.html")) return;
  shell_.openUrl(urlFor(folder_, context));
}

void DesktopAsk::warning(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

void DesktopAsk::information(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

}  // namespace qp
