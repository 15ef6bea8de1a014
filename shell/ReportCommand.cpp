#include "shell/ReportCommand.h"

#include "dictionary/Dm_Vadem.h"
#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "reports/QRP_Archivi.h"
#include "reports/QRP_PrtArchivi.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QFile>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

const char* const Usage = "usage: dicttool --report tables|fields --table NAME|roster "
                          "[--application SUFFIX] --pdf OUT.pdf";

struct ReportArguments {
    std::string kind;
    std::string pdf;
    std::optional<std::string> table;
    std::optional<std::string> application;
};

// A failure of the command: its one line on standard error.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

ReportArguments parse(int argc, char* argv[]) {
    std::map<std::string, std::string> values;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name != "--report" && name != "--pdf" && name != "--table" && name != "--application")
            throw CommandError("unknown argument " + name + "; " + Usage);
        if (i + 1 >= argc || values.count(name))
            throw CommandError(Usage);
        values[name] = argv[++i];
    }
    ReportArguments args;
    args.kind = values["--report"];
    args.pdf = values["--pdf"];
    if (values.count("--table"))
        args.table = values["--table"];
    if (values.count("--application"))
        args.application = values["--application"];
    bool known = (args.kind == "tables" && !args.table && !args.application) ||
                 (args.kind == "fields" && args.table && !args.application) ||
                 (args.kind == "roster" && !args.table);
    if (!known || args.pdf.empty())
        throw CommandError(Usage);
    return args;
}

// Errors that the reports show in the error box end the command instead.
class RecordingDialogs : public ui::Dialogs {
public:
    std::optional<QString> firstError;

protected:
    ui::Answer show(const ui::DialogBox& box) override {
        if (!firstError)
            firstError = box.text;
        return box.buttons.empty() ? ui::Answer::Ok : box.buttons.back();
    }
};

void openOrRefresh(engine::TTable& table) {
    if (table.Active())
        table.Refresh();
    else
        table.Open();
}

reportengine::Report& tablesReport() {
    QRP_Archivi->ReportTable = "T_BASE";
    QRP_Archivi->ReportTitle = "Print Base-Tables.";
    QRP_Archivi->ReportFilter = "TMTIPO=\"A\"";
    QRP_Archivi->ReportParams.clear();
    QRP_Archivi->ReportTables = true;
    return QRP_Archivi->Rep_Archivi;
}

reportengine::Report& fieldsReport(const std::string& name) {
    engine::TTable& tables = Dm_Vadem->Base;
    openOrRefresh(tables);
    if (!tables.FindKey({engine::Value(name)}))
        throw CommandError("no base table " + name + " in the dictionary");
    QRP_Archivi->ReportTable = "T_BASE";
    QRP_Archivi->ReportTitle = "[ " + name + " ] - " + tables.FieldByName("TMDESC").AsString();
    QRP_Archivi->ReportFilter = "TMTIPO=\"B\" AND TMNPFM=:qTable";
    QRP_Archivi->ReportParams = {{"qTable", name}};
    QRP_Archivi->ReportTables = false;
    return QRP_Archivi->Rep_Archivi;
}

reportengine::Report& rosterReport(const std::optional<std::string>& application) {
    QRP_PrtArchivi->AppFilter.clear();
    if (application) {
        engine::TTable& apps = Dm_Vadem->Prod;
        openOrRefresh(apps);
        if (!apps.FindKey({engine::Value(*application)}))
            throw CommandError("no application " + *application + " in the dictionary");
        QRP_PrtArchivi->AppFilter = *application;
    }
    return QRP_PrtArchivi->Rep_PrtArchivi;
}

void writeReport(const ReportArguments& args) {
    Dm_Vadem = new TDm_Vadem;
    QRP_Archivi = new TQRP_Archivi;
    QRP_PrtArchivi = new TQRP_PrtArchivi;
    reportengine::Report& report = args.kind == "tables" ? tablesReport()
                                   : args.kind == "fields"
                                       ? fieldsReport(engine::toUpperAscii(*args.table))
                                       : rosterReport(args.application);
    report.WritePdf(QString::fromStdString(args.pdf));
}

void freeProgram() {
    delete QRP_PrtArchivi;
    QRP_PrtArchivi = nullptr;
    delete QRP_Archivi;
    QRP_Archivi = nullptr;
    delete Dm_Vadem;
    Dm_Vadem = nullptr;
}

} // namespace

bool isReportCommand(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--report") == 0)
            return true;
    return false;
}

int runReportCommand(int argc, char* argv[]) {
    // No display: the pages are painted without a screen. Standard error
    // carries the command's own line only.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    RecordingDialogs errors;
    ui::Dialogs* before = ui::setDialogs(&errors);
    std::optional<std::string> failure;
    try {
        ReportArguments args = parse(argc, argv);
        writeReport(args);
        if (errors.firstError) {
            // The pages were written without their rows: not a report to keep.
            QFile::remove(QString::fromStdString(args.pdf));
            failure = errors.firstError->toStdString();
        }
    } catch (const std::exception& error) {
        failure = error.what();
    }
    freeProgram();
    ui::setDialogs(before);
    if (!failure)
        return 0;
    std::string line = *failure;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::cerr << "dicttool: " << line << '\n';
    return 2;
}
