#pragma once
// The run status in Config.cfg [Status]: whether the last run stopped
// cleanly and how many clean runs passed since the tables were packed.
//
// A run writes TerminatedOK=0 as it starts and 1 only at an orderly
// shutdown, so a crash, a power cut or kill -9 leaves 0 behind. The next
// start then deletes the three index files (they are rebuilt from the tag
// definitions when the tables open) and packs the tables. Every 26th clean
// run packs them as well.
#include <QString>

namespace qp {

struct RunStatus {
  bool uncleanStop = false;  // the previous run did not shut down
  bool packTables = false;   // pack the tables when they open in this run
};

// Reads and updates [Status] at start-up; after an unclean stop deletes
// notes.mdx, Trash.mdx and defaults.mdx from `programFolder`. Errors are
// ignored: the run goes on with what could be done.
RunStatus ReadRunStatus(const QString& programFolder);
// Records an orderly shutdown: TerminatedOK=1 and LastPacked counted up.
void RecordCleanStop(const QString& programFolder);

QString ConfigFileIn(const QString& programFolder);

}  // namespace qp
