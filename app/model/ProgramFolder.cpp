#include "app/model/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qp {

namespace {

QString WithSlash(QString path) {
  if (!path.endsWith('/')) path += '/';
  return path;
}

}  // namespace

QString ProgramFolderPath() {
  QString folder = qEnvironmentVariable("QUILLPAD_HOME");
  if (folder.isEmpty()) {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME would move the notes with the folder the
    // program happens to be started from (a menu, a terminal, autostart);
    // desktops ignore such a value, and so do we.
    if (data.isEmpty() || QDir::isRelativePath(data)) data = QDir::homePath() + "/.local/share";
    folder = data + "/Quillpad";
  }
  QDir().mkpath(folder);
  return WithSlash(QFileInfo(folder).absoluteFilePath());
}

QString ContentFolderPath(const QString& executableDir) {
  // The installed layout comes first: a build folder never has a
  // share/quillpad beside its bin, while an installed copy could have been
  // given a stray data folder it must not prefer over its own content.
  const QString candidates[] = {
      executableDir + "/../share/quillpad",
      executableDir + "/data",
  };
  for (const QString& dir : candidates)
    if (QFileInfo(dir).isDir()) return WithSlash(QDir(dir).absolutePath());
  return QString();
}

QString SoundFileIn(const QString& contentFolder, const QString& name) {
  if (contentFolder.isEmpty()) return QString();
  return WithSlash(contentFolder) + "sounds/" + name;
}

QString fileIn(const QString& folder, const QString& name) {
  const QString base = WithSlash(folder);
  // A relative part such as "Backup/Notes.dbf" is resolved step by step.
  const QStringList parts = name.split('/', Qt::SkipEmptyParts);
  QString path = base;
  for (int i = 0; i < parts.size(); ++i) {
    QString part = parts[i];
    const QStringList entries = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (!entries.contains(part)) {
      for (const QString& entry : entries) {
        if (entry.compare(part, Qt::CaseInsensitive) == 0) {
          part = entry;
          break;
        }
      }
    }
    path += part;
    if (i + 1 < parts.size()) path += '/';
  }
  return path;
}

}  // namespace qp
