#pragma once

#include "support/EditorWorkspace.h"

#include "reportengine/Report.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The editors' workspace with the reports' clock stopped and their pages
// read back from PDF by pdftotext, an independent reader.
class ReportWorkspace : public EditorWorkspace {
protected:
    void SetUp() override;

    // A base table with every column given (TMTBAS, application, date).
    void addTable(const std::string& name, const std::string& description,
                  const std::string& application, const std::string& type,
                  std::optional<engine::Date> date);
    // `count` fields F1 ... Fn of one table.
    void addFields(const std::string& table, int count);

    // The report's pages as pdftotext reads them from its PDF.
    QStringList pdfPages(reportengine::Report& report);
    QString pdfPath(const QString& name) const;
    static QStringList pagesOfPdf(const QString& path);
    // The lines of a page made only of hyphens.
    static int hyphenLines(const QString& page);

    static inline const QDateTime Now{QDate(2024, 3, 5), QTime(9, 7, 3)};
};
