#include "app/gui/FolderListFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <stdexcept>

namespace {

// Asking access() would say yes to root even on a read-only mount, so try the real thing.
bool CanCreateFileIn(const QString& dir) {
  if (!QFileInfo(dir).isDir()) {
    return false;
  }
  QTemporaryFile probe(dir + "/.quillmere-probe-XXXXXX");
  return probe.open();
}

QString ConfigDir() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty()) {
    base = QDir::homePath() + "/.config";
  }
  return base + "/quillmere";
}

}  // namespace

QString FolderListDir() {
  const QString executable = QFileInfo("/proc/self/exe").canonicalFilePath();
  return ChooseFolderListDir(QFileInfo(executable).absolutePath(), QM_INSTALLED_MARKER,
                             ConfigDir());
}

// An installed program's folder is shared by every user and belongs to the package manager, even
// where it can be written (by root): the desktop entry installed beside it tells it apart.
QString ChooseFolderListDir(const QString& executableDir, const QString& installedMarker,
                            const QString& configDir) {
  const bool installed = QFileInfo::exists(executableDir + '/' + installedMarker);
  if (!installed && CanCreateFileIn(executableDir)) {
    return executableDir;
  }
  QDir().mkpath(configDir);
  return configDir;
}

QStringList LoadFolderList(const QString& filePath) {
  QFile file(filePath);
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  QStringList folders;
  while (!file.atEnd()) {
    QString line = QString::fromUtf8(file.readLine());
    while (line.endsWith('\n') || line.endsWith('\r')) {
      line.chop(1);
    }
    folders.append(line);
  }
  return folders;
}

void SaveFolderList(const QString& filePath, const QStringList& folders) {
  QFile file(filePath);
  bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  for (const QString& folder : folders) {
    written = written && file.write(folder.toUtf8() + "\r\n") >= 0;
  }
  if (!written || !file.flush()) {
    throw std::runtime_error("Cannot create file " + filePath.toStdString());
  }
}
