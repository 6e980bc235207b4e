#pragma once
// Where the program keeps its files and where its installation content is.
//
// The program folder holds the tables, Config.cfg and Backup/: it is
// $QUILLPAD_HOME when set, else $XDG_DATA_HOME/Quillpad when that is an
// absolute path, else ~/.local/share/Quillpad; it is created when missing.
// It is never the folder of the executable, so neither a build tree nor
// an installation prefix ever keeps a user's notes.
//
// The installation content (sounds, help, icon) is read from
// <prefix>/share/quillpad when the program is installed (bin/quillpad beside
// share/quillpad), else from the "data" copy a build keeps beside the
// executable. Nothing is ever written there.
//
// The program's own file names were first written for a file system that
// ignores case ("Config.cfg" and "config.cfg" are one file there).
// fileIn() keeps them one file on Linux as well: it returns the entry that
// already exists under any case, else the name as given.
#include <QString>

namespace qp {

// The program folder with a trailing '/', created when missing.
QString ProgramFolderPath();
// The content folder with a trailing '/', or "" when none exists.
QString ContentFolderPath(const QString& executableDir);
// The wave file `name` ("Reminder.wav", "Collapse.wav", ...) as installed
// in the content folder's sounds/, or "" when there is no content folder.
QString SoundFileIn(const QString& contentFolder, const QString& name);
// `folder` + the existing entry whose name equals `name` ignoring case, or
// `folder` + `name` when there is none.
QString fileIn(const QString& folder, const QString& name);

}  // namespace qp
