// The roster of tables and fields on a dictionary of 1,000 base tables of 20
// fields each: the preview's first page (laid out and painted, the rest not
// yet read) and the whole roster written to PDF. Prints the times and the
// peak memory. Runs without a display.
#include "BenchClock.h"

#include "dictionary/Dm_Vadem.h"
#include "dictionary/Layouts.h"
#include "engine/drivers/Tables.h"
#include "reportengine/PreviewWindow.h"
#include "reports/QRP_PrtArchivi.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

using namespace engine;
namespace fs = std::filesystem;
using bench::Clock;
using bench::msSince;
using bench::peakMegabytes;

namespace {

void buildDictionary(const fs::path& dir, int tables, int fields) {
    dictionary::createDictionary(dir);
    auto file = createTable(dir / "T_BASE.DBF", dictionary::baseLayout(), true);
    file->beginAppendBatch();
    char name[16], field[16], desc[64];
    for (int t = 0; t < tables; ++t) {
        std::snprintf(name, sizeof name, "TAB%04d", t);
        std::snprintf(desc, sizeof desc, "Table number %d of the sample", t);
        file->append({"A", t % 2 ? "SA" : "FA", Value(), name, Value(), Value(), desc, Value(),
                      Date::fromYmd(2026, 1, 1), Value(), Value(), false, "0"});
        for (int f = 1; f <= fields; ++f) {
            std::snprintf(field, sizeof field, "FLD%02d", f);
            file->append({"B", Value(), static_cast<double>(f), name, "C", field,
                          "A field of the sample table", Value(), Date::fromYmd(2026, 1, 2), 10.0,
                          0.0, false, Value()});
        }
    }
    file->endAppendBatch();
    for (const IndexDef& tag : dictionary::baseTags())
        file->addIndex(tag);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    fs::path dir = fs::temp_directory_path() / "bench-reports";
    fs::remove_all(dir);
    fs::create_directories(dir / "tables");
    std::ofstream(dir / "engine.conf")
        << "[DBZET]\ndriver = DBASE\npath = " << (dir / "tables").string() << "\n";
    setenv("SCHEDAX_SYSTEM_DIR", dir.c_str(), 1);
    setenv("SCHEDAX_ENGINE_CONFIG", (dir / "engine.conf").c_str(), 1);
    auto start = Clock::now();
    buildDictionary(dir, 1000, 20);
    std::printf("dictionary of 1,000 tables x 20 fields: %.0f ms\n", msSince(start));

    QApplication app(argc, argv);
    Dm_Vadem = new TDm_Vadem;
    QRP_PrtArchivi = new TQRP_PrtArchivi;
    reportengine::Report& roster = QRP_PrtArchivi->Rep_PrtArchivi;
    std::printf("memory before the reports: %ld MB\n", peakMegabytes());

    start = Clock::now();
    {
        reportengine::PreviewWindow preview(roster);
        preview.show();
        QApplication::processEvents();
        std::printf("preview, first page shown: %.0f ms (pages laid out: %d)\n", msSince(start),
                    preview.run().pageCount());
    }

    fs::path pdf = dir / "roster.pdf";
    start = Clock::now();
    roster.WritePdf(QString::fromStdString(pdf.string()));
    std::printf("roster to PDF: %.0f ms, %.1f MB file, peak memory %ld MB\n", msSince(start),
                fs::file_size(pdf) / 1e6, peakMegabytes());

    delete QRP_PrtArchivi;
    delete Dm_Vadem;
    fs::remove_all(dir);
    return 0;
}
