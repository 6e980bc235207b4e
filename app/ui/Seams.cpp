#include "app/ui/Seams.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QSoundEffect>
#include <map>
#include <memory>

namespace qp {

// One QSoundEffect per file, made on first use; QSoundEffect plays on its
// own and never blocks the windows.
class DesktopSound::Player {
 public:
  std::map<QString, std::unique_ptr<QSoundEffect>> effects;
};

DesktopSound::DesktopSound(QString contentFolder) : folder_(std::move(contentFolder)), player_(new Player) {}

DesktopSound::~DesktopSound() { delete player_; }

void DesktopSound::play(const QString& fileName) {
  const QString path = QFileInfo(fileName).isAbsolute() ? fileName : folder_ + fileName;
  if (folder_.isEmpty() && !QFileInfo(fileName).isAbsolute()) return;
  if (!QFileInfo::exists(path)) return;
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
