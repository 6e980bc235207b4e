#include "app/model/ExportCommand.h"

#include <QFileInfo>
#include <cstdio>

#include "app/model/ProgramFolder.h"
#include "app/model/XbManagerStore.h"

namespace qp {

int RunExportCommand(const QString& programFolder, const QString& folder, ExportFormat format) {
  // An export reads; it must not leave new, empty tables behind in a
  // folder that had none.
  const QString notes = fileIn(programFolder, "notes.dbf");
  if (!QFileInfo::exists(notes)) {
    std::fprintf(stderr, "quillpad: there are no notes in %s\n", qPrintable(programFolder));
    return 1;
  }
  XbManagerStore tables(programFolder);
  if (!tables.open()) {
    std::fprintf(stderr, "quillpad: %s\n", qPrintable(tables.lastError()));
    return 1;
  }
  const ExportResult result = ExportNotes(tables.notesForExport({}), folder, format);
  if (!result.ok()) {
    std::fprintf(stderr, "quillpad: %s\n", qPrintable(result.error));
    return 1;
  }
  std::printf("%d note%s exported to %s\n", result.written, result.written == 1 ? "" : "s", qPrintable(folder));
  return 0;
}

}  // namespace qp
