#pragma once

#include <QString>
#include <QStringList>

/// The folder that keeps "slist.dat" and "tlist.dat": the executable's own folder when a file can
/// be created there, else $XDG_CONFIG_HOME/quillmere (~/.config/quillmere without the variable).
QString FolderListDir();

/// The choice behind FolderListDir, with both candidates given: executableDir when a file can be
/// created in it, else configDir, which is created when missing.
QString ChooseFolderListDir(const QString& executableDir, const QString& configDir);

/// One folder per line of the file; an empty list when the file does not exist. Lines may end in
/// CR LF or in LF alone.
QStringList LoadFolderList(const QString& filePath);

/// Replaces the file with one folder per line, each ended by CR LF. Throws std::runtime_error
/// "Cannot create file <path>" when the file cannot be written.
void SaveFolderList(const QString& filePath, const QStringList& folders);
