#pragma once

#include <QString>
#include <QStringList>

/// The folder that keeps "slist.dat" and "tlist.dat": $XDG_CONFIG_HOME/quillmere
/// (~/.config/quillmere without the variable) for an installed program; the executable's own
/// folder for a program run from its build folder, when a file can be created there.
QString FolderListDir();

/// The choice behind FolderListDir, with the candidates given: executableDir when no file
/// installedMarker (relative to executableDir) exists and a file can be created in executableDir,
/// else configDir, which is created when missing.
QString ChooseFolderListDir(const QString& executableDir, const QString& installedMarker,
                            const QString& configDir);

/// One folder per line of the file; an empty list when the file does not exist. Lines may end in
/// CR LF or in LF alone.
QStringList LoadFolderList(const QString& filePath);

/// Replaces the file with one folder per line, each ended by CR LF. Throws std::runtime_error
/// "Cannot create file <path>" when the file cannot be written.
void SaveFolderList(const QString& filePath, const QStringList& folders);
