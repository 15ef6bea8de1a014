#pragma once

#include <QString>

// The application title: caption of the error and message boxes.
inline const QString ApplicationTitle = QStringLiteral("Schedax - Brevon \u00AE");

// Creates the data module and every window once, in the program's order:
// Dm_Vadem, Menu_Vadem, Pgm_Logo, Man_Archivi, QRP_Archivi, Man_Indici,
// Crt_Archivi, Ric_Gen, Fun_Operazioni, QRP_PrtArchivi, Man_Installato,
// Cpy_Archivi, Man_Prodotti. An error (the alias "DBZET" missing) is raised.
void createProgram();
// Frees them all again (the program's end; tests start afresh).
void destroyProgram();

// The program: splash, title, creation, then the menu's message loop. An
// error while starting is shown and ends the program.
int runDicttool(int argc, char* argv[]);
