#pragma once

#include <QIcon>

// The pictures of the menu's speed buttons, drawn here: 0 restore, 1
// applications, 2 base tables, 3 installed, 4 function, 5 close. Each has an enabled
// and a greyed state.
QIcon menuPicture(int which);
