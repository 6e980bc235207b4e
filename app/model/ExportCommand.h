#pragma once
// quillpad --export: every note of the program folder written to a folder,
// without a window. The tables are opened shared, as the running copy (if
// any) has them, so it can run beside it.
#include <QString>

#include "app/model/NoteExport.h"

namespace qp {

// Prints what was written, or the error, and returns the exit code: 0
// when every note was written, 1 otherwise.
int RunExportCommand(const QString& programFolder, const QString& folder, ExportFormat format);

}  // namespace qp
