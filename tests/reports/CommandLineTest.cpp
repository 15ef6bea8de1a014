#include "ReportWorkspace.h"
#include "support/Process.h"

#include <QFile>
#include <QRegularExpression>

// dicttool itself, run as a second program on the workspace's dictionary.
class CommandLine : public ReportWorkspace {
protected:
    struct Result {
        int status;
        QString errors;
    };
    Result dicttool(const QStringList& arguments) {
        std::vector<std::string> command = {SCHEDAX_BINARY_DIR "/shell/dicttool"};
        for (const QString& argument : arguments)
            command.push_back(argument.toStdString());
        support::RunOptions options;
        options.unset = {"DISPLAY", "QT_QPA_PLATFORM"};
        support::Outcome ran = support::run(command, options);
        return {ran.status, QString::fromStdString(ran.err)};
    }
    void addDictionary() {
        addApplication("AN", "Master data");
        addTable("NATIONS", "Nations", "AN", "1", OldDate);
        addTable("CLIENTS", "Clients", "XX", "0", OldDate);
        addField("NATIONS", 1, "NACODE", "Nation code", "C", 3);
        addField("CLIENTS", 1, "CLCODE", "Client code", "C", 6);
        addTable("Q\"T", "Quoted", "AN", "0", OldDate);
        addField("Q\"T", 1, "QCODE", "Quoted code", "C", 6);
    }
};

TEST_F(CommandLine, WritesTheThreeReports) {
    addDictionary();
    QString out = pdfPath("tables.pdf");
    Result result = dicttool({"--report", "tables", "--pdf", out});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.errors, "");
    QStringList pages = pagesOfPdf(out);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("Print Base-Tables."));
    EXPECT_TRUE(pages[0].contains(QRegularExpression("CLIENTS\\s+Clients\\s+dBase\\s+01/01/2000")));

    out = pdfPath("fields.pdf");
    result = dicttool({"--report", "fields", "--table", "nations", "--pdf", out});
    EXPECT_EQ(result.status, 0) << result.errors.toStdString();
    pages = pagesOfPdf(out);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("[ NATIONS ] - Nations"));
    EXPECT_TRUE(pages[0].contains("NACODE"));
    EXPECT_FALSE(pages[0].contains("CLCODE"));

    out = pdfPath("quoted.pdf");
    EXPECT_EQ(dicttool({"--report", "fields", "--table", "Q\"T", "--pdf", out}).status, 0);
    pages = pagesOfPdf(out);
    EXPECT_TRUE(pages.join("").contains("QCODE"));

    out = pdfPath("roster.pdf");
    EXPECT_EQ(dicttool({"--report", "roster", "--pdf", out}).status, 0);
    EXPECT_EQ(pagesOfPdf(out).size(), 3);
    out = pdfPath("roster-an.pdf");
    EXPECT_EQ(dicttool({"--report", "roster", "--application", "AN", "--pdf", out}).status, 0);
    pages = pagesOfPdf(out);
    EXPECT_EQ(pages.size(), 2);
    EXPECT_FALSE(pages.join("").contains("CLCODE"));
}

TEST_F(CommandLine, RefusesWithOneLineAndStatusTwo) {
    addDictionary();
    QString out = pdfPath("x.pdf");
    auto expectRefusal = [&](const QStringList& arguments, const QString& message) {
        Result result = dicttool(arguments);
        EXPECT_EQ(result.status, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(result.errors.count('\n'), 1) << result.errors.toStdString();
        EXPECT_TRUE(result.errors.startsWith("dicttool: " + message))
            << result.errors.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    };
    expectRefusal({"--report", "fields", "--table", "NOSUCH", "--pdf", out},
                  "no base table NOSUCH in the dictionary");
    expectRefusal({"--report", "roster", "--application", "ZZ", "--pdf", out},
                  "no application ZZ in the dictionary");
    expectRefusal({"--report", "tables", "--pdf", pdfPath("missing/dir/x.pdf")},
                  "Cannot write the PDF file");
    expectRefusal({"--report", "listing", "--pdf", out}, "usage: dicttool --report");
    expectRefusal({"--report", "fields", "--pdf", out}, "usage: dicttool --report");
    expectRefusal({"--report", "tables"}, "usage: dicttool --report");
}
