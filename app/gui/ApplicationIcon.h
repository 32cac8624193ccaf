#pragma once

#include <QIcon>

/// The program's own icon, in every size the desktop's menus, task bars and title bars ask for.
/// The window and its message boxes show it.
QIcon ApplicationIcon();
