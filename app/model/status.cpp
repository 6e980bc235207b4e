#include "app/model/status.h"

#include <QFile>

#include "app/model/ProgramFolder.h"
#include "components/IniFile.h"

namespace qp {

namespace {

const QString kStatus = QStringLiteral("Status");
constexpr int kCleanRunsBetweenPacks = 25;

}  // namespace

QString ConfigFileIn(const QString& programFolder) { return fileIn(programFolder, "Config.cfg"); }

RunStatus ReadRunStatus(const QString& programFolder) {
  IniFile ini(ConfigFileIn(programFolder));
  RunStatus status;
  status.uncleanStop = !ini.readBool(kStatus, "TerminatedOK", true);
  status.packTables = ini.readInteger(kStatus, "LastPacked", 0) > kCleanRunsBetweenPacks;
  ini.writeBool(kStatus, "TerminatedOK", false);
  if (status.packTables) ini.writeInteger(kStatus, "LastPacked", 0);
  if (status.uncleanStop) {
    status.packTables = true;
    for (const char* index : {"notes.mdx", "Trash.mdx", "defaults.mdx"}) {
      const QString path = fileIn(programFolder, index);
      if (QFile::exists(path)) QFile::remove(path);
    }
  }
  return status;
}

void RecordCleanStop(const QString& programFolder) {
  IniFile ini(ConfigFileIn(programFolder));
  ini.writeBool(kStatus, "TerminatedOK", true);
  ini.writeInteger(kStatus, "LastPacked", ini.readInteger(kStatus, "LastPacked", 0) + 1);
}

}  // namespace qp
