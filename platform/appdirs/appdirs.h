// platform/appdirs/appdirs.h
//
// Where the programs and their files are: the program directory (the folder of the running
// executable, which holds both programs, the shipped station database, Help/ and the engine
// library) and the data directory that holds the files the programs write (the station database
// and the downloaded update package). Both programs decide the data directory with the same rule,
// so the player and the updater always work on the same database file.
//
// Threading: any thread. DataDirectory() may copy the station database once (blocking file I/O).
#pragma once

#include <QString>

namespace velotune::platform {

// The full path of the running program; empty when it cannot be had.
QString ProgramPath();

// The program's folder, without a trailing "/"; empty when unknown.
QString ProgramDirectory();

// The folder for the writable files, without a trailing "/": the program directory when the
// program may write there and it is not an installation (IsInstallation), else
// $XDG_DATA_HOME/Velotune. In the latter case the folder is created
// and, when it holds no station database yet, the installed one is copied into it (whole or not
// at all). Returns an empty text when neither can be had.
QString DataDirectory();

// Whether programDir is an installed program folder (it holds the marker file that
// `cmake --install` puts there) rather than a build's bin/ or a copied folder. Even the superuser's
// programs leave an installation's files to the package manager.
bool IsInstallation(const QString& programDir);

// The rule behind DataDirectory() for a given program folder and its writability.
QString ResolveDataDirectory(const QString& programDir, bool programDirWritable);

}  // namespace velotune::platform
