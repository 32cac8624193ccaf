#pragma once

#include <QStringList>

/// The window's command line from the one the program was started with: a desktop that opens a
/// photo with the program passes the photo, and the photo's folder becomes the source folder.
/// Every other argument passes unchanged.
QStringList DesktopArguments(const QStringList& arguments);
