#include "shell/Startup.h"

#include "dictionary/Dm_Vadem.h"
#include "editors/Man_Archivi.h"
#include "editors/Man_Indici.h"
#include "editors/Man_Installato.h"
#include "editors/Man_Prodotti.h"
#include "editors/Ric_Gen.h"
#include "engine/base/DroppedWork.h"
#include "engine/config/Engine.h"
#include "operations/Cpy_Archivi.h"
#include "operations/Crt_Archivi.h"
#include "operations/Fun_Operazioni.h"
#include "reports/QRP_Archivi.h"
#include "reports/QRP_PrtArchivi.h"
#include "shell/Brevon_Logo.h"
#include "shell/Menu_Vadem.h"
#include "shell/Pgm_Logo.h"
#include "tableops/PlanText.h"
#include "tableops/UpdateJournal.h"
#include "ui/Dialogs.h"
#include "ui/ModalWindows.h"

#include <QApplication>
#include <QThread>

#include <cstdio>

#include <memory>

namespace {

// Lines of the engine configuration that the engine left out, said once.
void reportConfigProblems() {
    engine::Engine session;
    session.init();
    QStringList problems;
    for (const std::string& problem : session.configProblems())
        problems << QString::fromStdString(problem);
    if (!problems.isEmpty())
        ui::dialogs().error(problems.join('\n'));
}

// Work the engine had to drop (a batch left open when its table closed) is
// shown as every engine error is. Off the user-interface thread no box can
// be shown: there it goes to the standard error stream.
void showDroppedWork(const engine::EngineError& error) {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        std::fprintf(stderr, "%s\n", error.what());
        return;
    }
    ui::dialogs().error(QString::fromStdString(error.what()));
}

// Before any window opens a table: an update that a killed run left half
// done is finished or undone, and one box says what was done.
void recoverInterruptedUpdates() {
    std::string workDir;
    try {
        workDir = Dm_Vadem->tmDBase.WorkingDirectory();
    } catch (const engine::EngineError&) {
        return; // no tables' directory yet: nothing to recover
    }
    try {
        std::vector<std::string> done = operations::recoverUpdates(workDir);
        if (!done.empty())
            ui::dialogs().message(QString::fromStdString(operations::joinLines(done)));
    } catch (const engine::EngineError& error) {
        ui::dialogs().error(QString::fromStdString(error.what()));
    }
}

} // namespace

void createProgram() {
    ui::createdWindows().clear();
    engine::setDroppedWorkHandler(showDroppedWork);
    Dm_Vadem = new TDm_Vadem;
    ui::createdWindows() << QStringLiteral("Dm_Vadem");
    reportConfigProblems();
    recoverInterruptedUpdates();
    ui::createOnce(Menu_Vadem);
    // Every other window is modal over the menu and lives as long as it.
    ui::createOnce(Pgm_Logo, Menu_Vadem);
    ui::createOnce(Man_Archivi, Menu_Vadem);
    ui::createOnce(QRP_Archivi, Menu_Vadem);
    ui::createOnce(Man_Indici, Menu_Vadem);
    ui::createOnce(Crt_Archivi, Menu_Vadem);
    ui::createOnce(Ric_Gen, Menu_Vadem);
    ui::createOnce(Fun_Operazioni, Menu_Vadem);
    ui::createOnce(QRP_PrtArchivi, Menu_Vadem);
    ui::createOnce(Man_Installato, Menu_Vadem);
    ui::createOnce(Cpy_Archivi, Menu_Vadem);
    ui::createOnce(Man_Prodotti, Menu_Vadem);
}

void destroyProgram() {
    delete Menu_Vadem; // and the windows it holds
    Menu_Vadem = nullptr;
    Pgm_Logo = nullptr;
    Man_Archivi = nullptr;
    QRP_Archivi = nullptr;
    Man_Indici = nullptr;
    Crt_Archivi = nullptr;
    Ric_Gen = nullptr;
    Fun_Operazioni = nullptr;
    QRP_PrtArchivi = nullptr;
    Man_Installato = nullptr;
    Cpy_Archivi = nullptr;
    Man_Prodotti = nullptr;
    delete Dm_Vadem;
    Dm_Vadem = nullptr;
    // Reports after this go to the standard error stream, not to boxes.
    engine::setDroppedWorkHandler(nullptr);
}

int runDicttool(int argc, char* argv[]) {
    QApplication app(argc, argv);
    auto splash = std::make_unique<TBrevon_Logo>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    QApplication::setApplicationName(ApplicationTitle);
    if (!ui::showingErrors(createProgram)) {
        destroyProgram();
        return 1;
    }
    splash.reset();

    Menu_Vadem->show();
    int result = QApplication::exec();
    destroyProgram();
    return result;
}
