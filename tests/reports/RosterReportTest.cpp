#include "ReportWorkspace.h"
#include "support/DictionaryRows.h"

#include "reportengine/ReportRun.h"
#include "reports/QRP_PrtArchivi.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QImage>

class RosterReport : public ReportWorkspace {
protected:
    TQRP_PrtArchivi& report() { return *QRP_PrtArchivi; }

    void addDictionary() {
        addApplication("AN", "Master data");
        addApplication("FA", "Invoices");
        addTable("NATIONS", "Nations", "AN", "1", OldDate);
        addTable("INVOICES", "Invoices", "FA", "0", OldDate);
        addTable("CLIENTS", "Clients", "AN", "0", OldDate);
        addField("NATIONS", 1, "NACODE", "Nation code", "C", 3);
        addField("NATIONS", 2, "NAPIC", "Flag", "O", 10);
        addField("INVOICES", 1, "INNUM", "Number", "N", 8);
        addField("INVOICES", 2, "INODD", "Odd type", "Q", 8);
        addField("CLIENTS", 1, "CLCODE", "Client code", "C", 6);
        addField("CLIENTS", 2, "CLSINCE", "Client since", "D", 8);
    }
    // The table named in the heading of each page.
    static QStringList headings(const QStringList& pages) {
        QStringList names;
        static const QRegularExpression heading(QStringLiteral("\\n\\s*(\\S*)\\s.*Page n\\. \\d+"));
        for (const QString& page : pages) {
            auto match = heading.match(page);
            names << (match.hasMatch() ? match.captured(1) : QString());
        }
        return names;
    }
};

TEST_F(RosterReport, EveryTableOnAPageOfItsOwn) {
    addDictionary();
    report().AppFilter.clear();
    QStringList pages = pdfPages(report().Rep_PrtArchivi);
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(headings(pages), (QStringList{"CLIENTS", "INVOICES", "NATIONS"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(pages[i].contains("Brevon \u00AE"));
        EXPECT_TRUE(pages[i].contains("05/03/24"));
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Page n. %1").arg(i + 1)));
        EXPECT_TRUE(pages[i].contains(QRegularExpression(
            "Field name\\s+Field description\\s+Date\\s+Type\\s+Size\\s+Dec\\.")));
    }
    EXPECT_TRUE(pages[0].contains(QRegularExpression("CLIENTS\\s+Clients")));
    // The system short date, unlike the base-table report.
    EXPECT_TRUE(pages[0].contains(QRegularExpression("CLCODE\\s+Client code\\s+01/01/00\\s+"
                                                     "Character\\s+6")));
    EXPECT_TRUE(pages[0].contains(QRegularExpression("CLSINCE\\s+Client since\\s+01/01/00\\s+"
                                                     "Date\\s+8")));
    EXPECT_TRUE(pages[1].contains(QRegularExpression("INODD\\s+Odd type\\s+01/01/00\\s+8")));
    EXPECT_TRUE(pages[2].contains(QRegularExpression("NAPIC\\s+Flag\\s+01/01/00\\s+Ole\\s+10")));
    // Heading lines and a footer after each table but the last, which has the summary.
    EXPECT_EQ(hyphenLines(pages[0]), 3);
    EXPECT_EQ(hyphenLines(pages[1]), 3);
    EXPECT_EQ(hyphenLines(pages[2]), 3);
    EXPECT_TRUE(pages[2].contains("*** End ***"));
    EXPECT_FALSE(pages[1].contains("*** End ***"));
}

TEST_F(RosterReport, OneApplicationOrNone) {
    addDictionary();
    report().AppFilter = "AN";
    QStringList pages = pdfPages(report().Rep_PrtArchivi);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(headings(pages), (QStringList{"CLIENTS", "NATIONS"}));
    EXPECT_FALSE(pages.join("").contains("INNUM"));

    // The function screen's choice decides: no entry chosen lists nothing.
    QComboBox choice;
    choice.addItems({"[all installed]", "Master data", "Invoices"});
    report().AppChoice = [&choice] { return choice.currentIndex(); };
    choice.setCurrentIndex(-1);
    pages = pdfPages(report().Rep_PrtArchivi);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_FALSE(pages[0].contains("Page n."));
    EXPECT_TRUE(pages[0].contains("*** End ***"));

    choice.setCurrentIndex(0);
    EXPECT_EQ(pdfPages(report().Rep_PrtArchivi).size(), 3);
    report().AppChoice = nullptr;
}

TEST_F(RosterReport, ATableRunningOverAPageRepeatsItsHeading) {
    addTable("WIDE", "Many fields", "AN", "0", OldDate);
    addFields("WIDE", 99);
    addTable("NARROW", "Few fields", "AN", "0", OldDate);
    addFields("NARROW", 2);
    QStringList pages = pdfPages(report().Rep_PrtArchivi);
    ASSERT_GE(pages.size(), 3);
    EXPECT_EQ(headings(pages).front(), "NARROW");
    for (int i = 1; i < pages.size(); ++i) {
        EXPECT_EQ(headings(pages)[i], "WIDE") << i;
        EXPECT_TRUE(pages[i].contains("Field description")) << i;
    }
    EXPECT_TRUE(pages.back().contains(QRegularExpression("F99\\s+Field 99")));
    EXPECT_TRUE(pages.back().contains("*** End ***"));
}

TEST_F(RosterReport, FieldsOfATableMissingFromTheDictionary) {
    addTable("KNOWN", "Known", "AN", "0", OldDate);
    addField("KNOWN", 1, "KCODE", "Known code");
    addField("ORPHAN", 1, "OCODE", "Orphan code");
    report().AppFilter = "AN";
    QStringList pages = pdfPages(report().Rep_PrtArchivi);
    EXPECT_FALSE(pages.join("").contains("OCODE"));
    report().AppFilter.clear();
    pages = pdfPages(report().Rep_PrtArchivi);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages.join("").contains("OCODE"));
}

TEST_F(RosterReport, ATableOfAnotherApplicationLeavesNoPageBehind) {
    addTable("AFIRST", "Other application", "FA", "0", OldDate);
    addField("AFIRST", 1, "ACODE", "Code");
    addTable("BSECOND", "Chosen application", "AN", "0", OldDate);
    addField("BSECOND", 1, "BCODE", "Code");
    addTable("CTHIRD", "Other application", "FA", "0", OldDate);
    addField("CTHIRD", 1, "CCODE", "Code");
    addTable("DFOURTH", "Chosen application", "AN", "0", OldDate);
    addField("DFOURTH", 1, "DCODE", "Code");
    report().AppFilter = "AN";
    QStringList pages = pdfPages(report().Rep_PrtArchivi);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(headings(pages), (QStringList{"BSECOND", "DFOURTH"}));
    EXPECT_EQ(hyphenLines(pages[0]), 3); // heading lines and the closing footer
    EXPECT_EQ(hyphenLines(pages[1]), 3); // heading lines and the summary
}

namespace {

// How wide a text of a laid-out page prints, in its design pixels (96 per inch).
double printedWidth(const reportengine::PageText& item) {
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(96 / 0.0254));
    device.setDotsPerMeterY(qRound(96 / 0.0254));
    return QFontMetricsF(item.font, &device).horizontalAdvance(item.text);
}

} // namespace

TEST_F(RosterReport, TheDateColumnHasRoomForTheLocalesDates) {
    addTable("CLIENTS", "Clients", "AN", "0", OldDate);
    support::BaseRow since = support::fieldRow("CLIENTS", 1, "CLSINCE", "Client since", "D", 8);
    const QDate leapDay(2024, 2, 29);
    since.date = engine::Date::fromJulianDay(leapDay.toJulianDay());
    support::addRow(system, since);

    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Italian, QLocale::Italy)}) {
        QLocale::setDefault(locale);
        reportengine::ReportRun run(report().Rep_PrtArchivi);
        run.layOutAll();
        const auto& texts = run.page(0).texts;
        const QString dateText = locale.toString(leapDay, QLocale::ShortFormat);
        auto date = std::find_if(texts.begin(), texts.end(),
                                 [&](const auto& item) { return item.text == dateText; });
        ASSERT_NE(date, texts.end()) << dateText.toStdString();
        // Its neighbours on the row: the description before it, the type after it.
        const reportengine::PageText* before = nullptr;
        const reportengine::PageText* after = nullptr;
        for (const auto& item : texts) {
            if (item.y != date->y || &item == &*date)
                continue;
            if (item.x < date->x && (!before || item.x > before->x))
                before = &item;
            if (item.x > date->x && (!after || item.x < after->x))
                after = &item;
        }
        ASSERT_TRUE(before && after);
        EXPECT_EQ(after->text, "Date");
        std::string name = locale.name().toStdString();
        // Clear of both by the width of three blanks at least.
        reportengine::PageText blanks = *date;
        blanks.text = QStringLiteral("   ");
        EXPECT_GE(after->x - (date->x + printedWidth(*date)), printedWidth(blanks)) << name;
        EXPECT_GE(date->x - (before->x + printedWidth(*before)), printedWidth(blanks)) << name;
    }
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}
