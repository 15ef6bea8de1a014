#include "OperationsWorkspace.h"

#include "engine/drivers/Tables.h"
#include "engine/table/AppendBatch.h"
#include "operations/Cpy_Archivi.h"
#include "operations/Crt_Archivi.h"
#include "operations/Fun_Operazioni.h"
#include "ui/ModalWindows.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <set>

using namespace engine;

namespace {

// What the screen showed of a progress window while its run was inside the
// loop, looked at each time one of its bars moved.
struct Watch {
    bool allOnScreen = true;                 // the window shown and exposed every time
    int insideLoop = 0;                      // bar moves seen before the closing message
    std::set<QByteArray> tableBars, rowBars; // distinct pictures on the screen

    void look(operations::ProgressWindow& window, const support::ScriptedDialogs& boxes) {
        // Inside the loop: a table done, or rows of the first one moving.
        if (!boxes.shown().empty() ||
            (window.panelText(1).isEmpty() && window.BarRows->value() == 0))
            return;
        ++insideLoop;
        QWindow* native = window.windowHandle();
        allOnScreen = allOnScreen && window.isVisible() && native && native->isExposed();
        if (!native)
            return;
        // What the window system holds of the window, not a fresh rendering.
        QImage screen = window.screen()->grabWindow(window.winId()).toImage();
        auto picture = [&](QWidget* bar) {
            QImage part = screen.copy(bar->geometry());
            return QByteArray(reinterpret_cast<const char*>(part.constBits()),
                              static_cast<int>(part.sizeInBytes()));
        };
        tableBars.insert(picture(window.BarProg));
        rowBars.insert(picture(window.BarRows));
    }
    void follow(operations::ProgressWindow& window, const support::ScriptedDialogs& boxes) {
        for (QProgressBar* bar : {window.BarProg, window.BarRows})
            QObject::connect(bar, &QProgressBar::valueChanged, &window,
                             [this, &window, &boxes] { look(window, boxes); });
    }
};

class Progress : public OperationsWorkspace {
protected:
    static constexpr int BigRows = 20000; // several of the engine's progress steps
    // `rows` more rows in the table `file`, appended in one batch.
    void fill(const std::filesystem::path& file, int rows) {
        auto table = openTable(file);
        AppendBatch batch(*table);
        Record row(table->fields().size());
        for (int i = 0; i < rows; ++i) {
            row[0] = Value("R" + std::to_string(i));
            table->append(row);
        }
        batch.finish();
    }
    void TearDown() override {
        for (operations::ProgressWindow* window :
             {static_cast<operations::ProgressWindow*>(Crt_Archivi),
              static_cast<operations::ProgressWindow*>(Cpy_Archivi)}) {
            window->BarProg->disconnect(window);
            window->BarRows->disconnect(window);
        }
        OperationsWorkspace::TearDown();
    }
};

TEST_F(Progress, TheBuilderShowsItsBarsMovingWhileItRuns) {
    for (const char* name : {"SMALL1", "BIG", "SMALL2"}) {
        addTable(name, "0");
        addTypedField(name, 1, "CODE", "C", 8);
    }
    ASSERT_EQ(build({"SMALL1", "BIG", "SMALL2"}, {"0", "0", "0"}),
              QStringList{"Function successfull."});
    fill(tables / "BIG.DBF", BigRows);
    addTypedField("BIG", 2, "NOTE", "C", 4); // the update moves every row back

    Watch watch;
    watch.follow(*Crt_Archivi, boxes);
    ASSERT_EQ(build({"SMALL1", "BIG", "SMALL2"}, {"0", "0", "0"}),
              QStringList{"Function successfull."});
    EXPECT_GT(watch.insideLoop, 3);
    EXPECT_TRUE(watch.allOnScreen);
    // Each picture shows the value before the one just set: several differ.
    EXPECT_GE(watch.tableBars.size(), 2u);
    EXPECT_GE(watch.rowBars.size(), 2u);
    EXPECT_EQ(Crt_Archivi->BarProg->value(), 3);
}

TEST_F(Progress, TheCopierShowsItsRowsMoving) {
    addTable("RATES", "0");
    addTypedField("RATES", 1, "CODE", "C", 8);
    build({"RATES"}, {"0"});
    std::filesystem::copy_file(tables / "RATES.DBF", floppy / "ZET_BASE" / "RATES.DBF");
    fill(floppy / "ZET_BASE" / "RATES.DBF", BigRows);

    Watch watch;
    watch.follow(*Cpy_Archivi, boxes);
    ASSERT_EQ(copy({"RATES"}, {"0"}), QStringList{"Function successful."});
    EXPECT_TRUE(watch.allOnScreen);
    EXPECT_GE(watch.rowBars.size(), 2u);
}

TEST_F(Progress, EnterAndEscapeCloseNeitherTheFunctionScreenNorTheRunWindows) {
    open(*Fun_Operazioni);
    auto* box = Fun_Operazioni->SetPrd;
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(Fun_Operazioni->isVisible());
    QTest::keyClick(Fun_Operazioni, Qt::Key_Escape);
    EXPECT_TRUE(Fun_Operazioni->isVisible());
    EXPECT_FALSE(control<QPushButton>(*Fun_Operazioni, "BitUscita")->isDefault());
    Fun_Operazioni->close();

    for (operations::ProgressWindow* window :
         {static_cast<operations::ProgressWindow*>(Crt_Archivi),
          static_cast<operations::ProgressWindow*>(Cpy_Archivi)}) {
        bool stayed = false;
        whileModal([&] { ui::showModal(*window); },
                   [&](QWidget& shown) {
                       QTest::keyClick(&shown, Qt::Key_Escape);
                       QTest::keyClick(&shown, Qt::Key_Return);
                       stayed = shown.isVisible();
                   });
        EXPECT_TRUE(stayed) << window->objectName().toStdString();
    }
}

} // namespace
