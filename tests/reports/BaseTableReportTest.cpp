#include "ReportWorkspace.h"

#include "dictionary/Dm_Vadem.h"
#include "editors/Man_Archivi.h"
#include "reportengine/PreviewWindow.h"
#include "reports/QRP_Archivi.h"

#include <QTabBar>
#include <QTabWidget>
#include <QTest>

class BaseTableReport : public ReportWorkspace {
protected:
    TQRP_Archivi& report() { return *QRP_Archivi; }

    void listTables() {
        report().ReportTable = "T_BASE";
        report().ReportTitle = "Print Base-Tables.";
        report().ReportFilter = "TMTIPO=\"A\"";
        report().ReportParams.clear();
        report().ReportTables = true;
    }
    void listFields(const std::string& table) {
        report().ReportTable = "T_BASE";
        report().ReportTitle = "[ " + table + " ] - Orders";
        report().ReportFilter = "TMTIPO=\"B\" AND TMNPFM=:qTable";
        report().ReportParams = {{"qTable", table}};
        report().ReportTables = false;
    }
    // The texts of the lines that start with `first`, in page order.
    static QStringList linesStartingWith(const QStringList& pages, const QStringList& firsts) {
        QStringList found;
        for (const QString& page : pages)
            for (const QString& line : page.split('\n')) {
                QString simple = line.simplified();
                for (const QString& first : firsts)
                    if (simple.startsWith(first + ' '))
                        found << simple;
            }
        return found;
    }
};

TEST_F(BaseTableReport, ListsTheBaseTablesByApplicationAndName) {
    addTable("ORDERS", "Orders", "SA", "0", engine::Date::fromYmd(2023, 11, 20));
    addTable("NATIONS", "Nations", "AN", "1", engine::Date::fromYmd(2022, 1, 2));
    addTable("BLANKDATE", "No date", "AN", "", std::nullopt);
    addTable("CITIES", "Cities", "", "X", engine::Date::fromYmd(2021, 6, 7));
    addFields("ORDERS", 3); // field rows are not listed
    listTables();

    QStringList pages = pdfPages(report().Rep_Archivi);
    ASSERT_EQ(pages.size(), 1);
    const QString& page = pages[0];
    EXPECT_TRUE(page.contains("Brevon \u00AE")) << page.toStdString();
    EXPECT_TRUE(page.contains("05/03/24")) << page.toStdString();
    EXPECT_TRUE(page.contains("09:07:03")) << page.toStdString();
    EXPECT_TRUE(page.contains(QRegularExpression("Print Base-Tables\\.\\s+Page n\\. 1\\n")));
    EXPECT_TRUE(
        page.contains(QRegularExpression("Table name\\s+Description\\s+Type\\s+Date\\s+Ext\\.")));
    EXPECT_FALSE(page.contains("Field name"));
    EXPECT_EQ(linesStartingWith(pages, {"ORDERS", "NATIONS", "BLANKDATE", "CITIES"}),
              (QStringList{
                  "CITIES Cities Paradox 07/06/2021", "BLANKDATE No date Paradox 30/12/1899 AN",
                  "NATIONS Nations Paradox 02/01/2022 AN", "ORDERS Orders dBase 20/11/2023 SA"}));
    EXPECT_TRUE(page.contains(QRegularExpression("-{85}\\s+\\*\\*\\* End \\*\\*\\*")));
    // Page heading, title and summary lines; no footer on the last page.
    EXPECT_EQ(hyphenLines(page), 3);
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
}

TEST_F(BaseTableReport, ListsTheFieldsOfOneTableOverSeveralPages) {
    addTable("ORDERS", "Orders", "SA", "0", OldDate);
    addFields("ORDERS", 99);
    addField("ORDERS", 100, "PICTURE", "Picture", "O", 10);
    addField("ORDERS", 101, "ODD", "Odd type", "X", 4);
    addField("ORDERS", 102, "NOTYPE", "No type", "", 4);
    addTable("ORDERS2", "Other orders", "SA", "0", OldDate);
    addField("ORDERS2", 1, "OTHER", "Not listed");
    listFields("ORDERS");

    QStringList pages = pdfPages(report().Rep_Archivi);
    ASSERT_GE(pages.size(), 2);
    for (int i = 0; i < pages.size(); ++i) {
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Page n. %1\n").arg(i + 1)));
        EXPECT_TRUE(pages[i].contains("[ ORDERS ] - Orders"));
    }
    // The column titles are a title band: on the first page only.
    EXPECT_TRUE(pages[0].contains(
        QRegularExpression("Field name\\s+Description\\s+Date\\s+Type\\s+Size\\s+Dec\\.")));
    EXPECT_FALSE(pages[1].contains("Field name"));
    // Heading, title, footer on a full page; heading and summary on the last one.
    EXPECT_EQ(hyphenLines(pages[0]), 3);
    EXPECT_EQ(hyphenLines(pages.back()), 2);
    EXPECT_TRUE(pages.back().contains("*** End ***"));

    QStringList rows = linesStartingWith(pages, {"F1", "F2", "F99", "PICTURE", "ODD", "NOTYPE"});
    ASSERT_EQ(rows.size(), 6) << rows.join('|').toStdString();
    EXPECT_EQ(rows[0], "F1 Field 1 01/01/2000 Character 10");
    EXPECT_EQ(rows[1], "F2 Field 2 01/01/2000 Character 10");
    EXPECT_EQ(rows[3], "PICTURE Picture 01/01/2000 Ole 10");
    EXPECT_EQ(rows[4], "ODD Odd type 01/01/2000 4");
    EXPECT_EQ(rows[5], "NOTYPE No type 01/01/2000 4");
    EXPECT_FALSE(pages.join("").contains("OTHER"));
}

TEST_F(BaseTableReport, WithoutRowsPrintsHeadingTitlesAndEnd) {
    addTable("ORDERS", "Orders", "SA", "0", OldDate);
    listFields("ORDERS");
    QStringList pages = pdfPages(report().Rep_Archivi);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("Field name"));
    EXPECT_TRUE(pages[0].contains("*** End ***"));
    EXPECT_EQ(hyphenLines(pages[0]), 3);
}

TEST_F(BaseTableReport, ARunToTheEndForgetsTheFilterAndAPrintReusesTheRows) {
    addTable("ORDERS", "Orders", "SA", "0", OldDate);
    listTables();
    pdfPages(report().Rep_Archivi);
    EXPECT_EQ(report().ReportFilter, "");
    EXPECT_EQ(report().LastReportTable, "T_BASE");
    EXPECT_EQ(report().LastReportFilter, "");

    // Same table, no filter: the open query serves the next run unchanged.
    addTable("LATER", "Added later", "SA", "0", OldDate);
    QStringList pages = pdfPages(report().Rep_Archivi);
    EXPECT_FALSE(pages[0].contains("LATER"));
    listTables();
    pages = pdfPages(report().Rep_Archivi);
    EXPECT_TRUE(pages[0].contains("LATER"));
}

TEST_F(BaseTableReport, AnSqlErrorIsShownAndNoRowsArePrinted) {
    addTable("ORDERS", "Orders", "SA", "0", OldDate);
    listTables();
    report().ReportFilter = "NOSUCHCOLUMN=1";
    QStringList pages = pdfPages(report().Rep_Archivi);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(lastBox().startsWith("Query failed")) << lastBox().toStdString();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_FALSE(pages[0].contains("ORDERS"));
    EXPECT_TRUE(pages[0].contains("*** End ***"));
    EXPECT_FALSE(Dm_Vadem->Src_QryGen.Enabled());
}

TEST_F(BaseTableReport, ATableNameWithADoubleQuoteListsThatTableOnly) {
    addTable("AB\"C", "Quoted", "SA", "0", OldDate);
    addField("AB\"C", 1, "QUOTED", "Field of the quoted table");
    addTable("AB", "Plain", "SA", "0", OldDate);
    addField("AB", 1, "PLAIN", "Field of the plain table");
    open(*Man_Archivi);
    engine::TTable& base = Man_Archivi->Base;
    for (base.First(); !base.Eof() && base.FieldByName("TMNPFM").AsString() != "AB\"C";)
        base.Next();
    QTabBar* bar = control<QTabWidget>(*Man_Archivi, "Tab_Distinta")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());

    // The editor's print shows the preview; its PDF command writes the pages.
    QString path = pdfPath("quoted.pdf");
    QString shown = whileModal([&] { click(*Man_Archivi, "BtnStampa"); },
                               [&](QWidget& preview) {
                                   static_cast<reportengine::PreviewWindow&>(preview).savePdf(path);
                               });
    EXPECT_EQ(shown, "Rep_Archivi");
    QStringList pages = pagesOfPdf(path);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("[ AB\"C ] - Quoted"));
    EXPECT_TRUE(pages[0].contains("QUOTED"));
    EXPECT_FALSE(pages[0].contains("PLAIN"));
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
}
