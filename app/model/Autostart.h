#pragma once
// Starting Quillpad with the user's session, the desktop's way: an entry
// "quillpad.desktop" in the autostart folder of the user's configuration
// ($XDG_CONFIG_HOME/autostart, by default ~/.config/autostart), whose Exec
// line is the running program's absolute path.
#include <QString>

namespace qp {

// The entry's path for the current environment.
QString AutostartEntryPath();

// The entry's text for a program at `executable`.
QString AutostartEntryText(const QString& executable);

// Writes the entry (creating the folder) when `on`, removes it when not.
// Removing an absent entry is no error. False, with `error` set to a
// sentence naming the file, when the folder or file cannot be written.
bool SetStartAtLogin(bool on, const QString& executable, QString* error = nullptr);

}  // namespace qp
