#include "app/model/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qp {

namespace {

// The desktop entry format gives '\', '"', '`', '$' and blanks meaning in
// Exec; a path holding any of them is quoted and escaped.
QString ExecArgument(const QString& path) {
  static const QString kSpecial = QStringLiteral(" \t\"'\\`$<>~|&;*?#()");
  bool plain = true;
  for (QChar c : path)
    if (kSpecial.contains(c)) plain = false;
  if (plain) return path;
  QString quoted;
  for (QChar c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  // The value itself is then escaped once more as a desktop entry string.
  quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
  return '"' + quoted + '"';
}

}  // namespace

QString AutostartEntryPath() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is not to be trusted (it would follow the
  // folder the program was started from): fall back to ~/.config.
  if (config.isEmpty() || QFileInfo(config).isRelative()) config = QDir::homePath() + "/.config";
  return config + "/autostart/quillpad.desktop";
}

QString AutostartEntryText(const QString& executable) {
  return QStringLiteral(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=Quillpad\n"
             "Comment=Sticky notes with reminders\n"
             "Exec=%1\n"
             "Icon=quillpad\n"
             "Terminal=false\n"
             "X-GNOME-Autostart-enabled=true\n")
      .arg(ExecArgument(QFileInfo(executable).absoluteFilePath()));
}

bool SetStartAtLogin(bool on, const QString& executable, QString* error) {
  const QString path = AutostartEntryPath();
  if (!on) {
    if (!QFile::exists(path) || QFile::remove(path)) return true;
    if (error) *error = QStringLiteral("Unable to remove %1").arg(path);
    return false;
  }
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    if (error) *error = QStringLiteral("Unable to create the folder %1").arg(QFileInfo(path).absolutePath());
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(AutostartEntryText(executable).toUtf8()) < 0 ||
      !file.commit()) {
    if (error) *error = QStringLiteral("Unable to write %1: %2").arg(path, file.errorString());
    return false;
  }
  return true;
}

}  // namespace qp
