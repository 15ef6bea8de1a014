#include "ReportWorkspace.h"

#include "reportengine/PreviewWindow.h"
#include "reports/QRP_PrtArchivi.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>

class Preview : public ReportWorkspace {
protected:
    reportengine::Report& roster() { return QRP_PrtArchivi->Rep_PrtArchivi; }
    void addTables(int count) {
        for (int i = 0; i < count; ++i) {
            std::string name = "TABLE" + std::to_string(i);
            addTable(name, "Table " + std::to_string(i), "AN", "0", OldDate);
            addField(name, 1, "CODE", "Code");
        }
    }
};

TEST_F(Preview, CountsThePagesFromTheFirst) {
    addTables(5);
    reportengine::PreviewWindow preview(roster());
    preview.show();
    EXPECT_EQ(preview.objectName(), "Rep_PrtArchivi");
    EXPECT_EQ(preview.run().pageCount(), 5);
    EXPECT_EQ(text(preview, "LabPage"), "Page 1 of 5");
    EXPECT_FALSE(enabled(preview, "BtnPrior"));
    QPixmap first = control<QLabel>(preview, "PageView")->pixmap();
    EXPECT_FALSE(first.isNull());

    click(preview, "BtnNext");
    EXPECT_EQ(preview.currentPage(), 1);
    EXPECT_EQ(text(preview, "LabPage"), "Page 2 of 5");
    EXPECT_TRUE(enabled(preview, "BtnPrior"));
    EXPECT_NE(control<QLabel>(preview, "PageView")->pixmap().toImage(), first.toImage());

    click(preview, "BtnLast");
    EXPECT_EQ(preview.currentPage(), 4);
    EXPECT_EQ(text(preview, "LabPage"), "Page 5 of 5");
    EXPECT_FALSE(enabled(preview, "BtnNext"));
    click(preview, "BtnFirst");
    EXPECT_EQ(preview.currentPage(), 0);

    // Zoom changes the size of the page on screen, not the page.
    QSize at100 = control<QLabel>(preview, "PageView")->pixmap().size();
    preview.setZoom(2.0);
    EXPECT_EQ(control<QLabel>(preview, "PageView")->pixmap().size(), at100 * 2);
    preview.close();
}

TEST_F(Preview, SaveAsPdfWritesThePagesOfThePreview) {
    addTables(3);
    reportengine::PreviewWindow preview(roster());
    preview.show();
    click(preview, "BtnNext");
    QString path = pdfPath("saved.pdf");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), "SavePdfDialog");
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    click(preview, "BtnPdf");
    QStringList saved = pagesOfPdf(path);
    EXPECT_EQ(saved, pdfPages(roster()));
    EXPECT_EQ(saved.size(), 3);
    // The preview stays on its page, its rows read again.
    EXPECT_EQ(preview.currentPage(), 1);
    click(preview, "BtnNext");
    EXPECT_EQ(preview.currentPage(), 2);
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
}

TEST_F(Preview, PrintWithoutAPrinterSaysSo) {
    addTables(1);
    reportengine::PreviewWindow preview(roster());
    preview.show();
    click(preview, "BtnPrint");
    // The test machines have no printer; a machine with one prints instead.
    if (!boxes.shown().empty()) {
        EXPECT_EQ(lastBox(), "No printer is installed.");
    }
    EXPECT_EQ(preview.run().pageCount(), 1);
}

TEST_F(Preview, PageKeysTurnPagesWhereverTheFocusIs) {
    addTables(4);
    reportengine::PreviewWindow preview(roster());
    preview.show();
    QApplication::setActiveWindow(&preview);
    click(preview, "BtnLast");
    ASSERT_EQ(preview.currentPage(), 3);
    auto* zoom = control<QComboBox>(preview, "SetZoom");
    const QString zoomed = zoom->currentText();
    for (QWidget* focus : {static_cast<QWidget*>(zoom), control<QWidget>(preview, "PageArea"),
                           control<QWidget>(preview, "BtnPrint")}) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Home);
        EXPECT_EQ(preview.currentPage(), 0) << focus->objectName().toStdString();
        QTest::keyClick(focus, Qt::Key_PageDown);
        EXPECT_EQ(preview.currentPage(), 1) << focus->objectName().toStdString();
        QTest::keyClick(focus, Qt::Key_End);
        EXPECT_EQ(preview.currentPage(), 3) << focus->objectName().toStdString();
        QTest::keyClick(focus, Qt::Key_PageUp);
        EXPECT_EQ(preview.currentPage(), 2) << focus->objectName().toStdString();
    }
    EXPECT_EQ(zoom->currentText(), zoomed);
    EXPECT_EQ(text(preview, "LabPage"), "Page 3 of 4");
    // Enter and Escape close nothing.
    QTest::keyClick(zoom, Qt::Key_Return);
    QTest::keyClick(zoom, Qt::Key_Escape);
    EXPECT_TRUE(preview.isVisible());
    preview.close();
}
