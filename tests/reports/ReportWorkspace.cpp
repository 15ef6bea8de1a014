#include "ReportWorkspace.h"
#include "support/DictionaryRows.h"
#include "support/Process.h"

#include "reports/QRP_Archivi.h"
#include "reports/QRP_PrtArchivi.h"

#include <QLocale>
#include <QRegularExpression>

void ReportWorkspace::SetUp() {
    // Dates print as in Italy, whatever the machine.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    EditorWorkspace::SetUp();
    QRP_Archivi->Rep_Archivi.Clock = [] { return Now; };
    QRP_PrtArchivi->Rep_PrtArchivi.Clock = [] { return Now; };
    // The same paper on every machine.
    QRP_Archivi->Rep_Archivi.PageSize = QPageSize(QPageSize::A4);
    QRP_PrtArchivi->Rep_PrtArchivi.PageSize = QPageSize(QPageSize::A4);
}

void ReportWorkspace::addTable(const std::string& name, const std::string& description,
                               const std::string& application, const std::string& type,
                               std::optional<engine::Date> date) {
    support::BaseRow row = support::tableRow(name, description, application);
    row.tableType = type;
    row.date = date;
    support::addRow(system, row);
}

void ReportWorkspace::addFields(const std::string& table, int count) {
    for (int number = 1; number <= count; ++number)
        addField(table, number, "F" + std::to_string(number), "Field " + std::to_string(number));
}

QString ReportWorkspace::pdfPath(const QString& name) const {
    return QString::fromStdString((root / name.toStdString()).string());
}

QStringList ReportWorkspace::pdfPages(reportengine::Report& report) {
    QString path = pdfPath(report.name() + ".pdf");
    report.WritePdf(path);
    return pagesOfPdf(path);
}

QStringList ReportWorkspace::pagesOfPdf(const QString& path) {
    support::Outcome read = support::run({"pdftotext", "-layout", path.toStdString(), "-"});
    EXPECT_EQ(read.status, 0) << read.err;
    QStringList pages = QString::fromStdString(read.out).split(QChar('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

int ReportWorkspace::hyphenLines(const QString& page) {
    static const QRegularExpression line(QStringLiteral("^\\s*-{85}\\s*$"),
                                         QRegularExpression::MultilineOption);
    int count = 0;
    for (auto it = line.globalMatch(page); it.hasNext(); it.next())
        ++count;
    return count;
}
