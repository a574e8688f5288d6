#pragma once

#include <QString>

// What transfer start does before a run, after its memory check, for the window and the command
// line alike.

// The file test: a regular file that can be opened for reading (it is closed again at once;
// nothing is read). A pipe or a device is refused here, since opening or reading one may never
// end.
bool FileCanBeOpened(const QString& path);

// The file-name part of a path as the unit records it: after the last separator, "\" as the
// unit's own tools write paths, "/" as this system does.
QString FileTitleOf(const QString& path);

// Clears HighSpeedLink, tests Module1.FilePath (showing "OPEN ERROR" when it cannot be opened)
// and derives FileTitle from it. False: there is no run.
bool PrepareTransferStart();
