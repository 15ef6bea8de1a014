#pragma once

#include "reportengine/Page.h"
#include "reportengine/Report.h"

#include <QDateTime>

#include <string>
#include <vector>

namespace reportengine {

// One run of a report, laid out page by page as the pages are asked for:
// the rows are read only as far as the last page asked for needs.
class ReportRun {
public:
    explicit ReportRun(Report& report);

    // Lays out pages until page `index` (from 0) is complete; false when
    // the report has fewer pages.
    bool layOutTo(int index);
    void layOutAll();
    bool finished() const { return phase_ == Phase::Done; }
    // Pages laid out so far.
    int pageCount() const { return static_cast<int>(pages_.size()); }
    const Page& page(int index) const { return pages_.at(index); }

private:
    enum class Phase { Start, Rows, Done };

    void step();
    void start();
    void row();
    void finish();
    // Asks the band's BeforePrint and places it; false when it was not printed.
    bool print(Band& band, std::size_t openGroups);
    void place(Band& band, std::size_t openGroups);
    void putBand(Band& band, double top);
    void openPage(std::size_t openGroups);
    void closePage();
    double bodyBottom() const;
    QString labelText(const Label& label) const;
    std::string keyOf(std::size_t group) const;

    Report& report_;
    QDateTime now_;
    Phase phase_ = Phase::Start;
    std::vector<Page> pages_;
    Page page_;
    bool pageOpen_ = false;
    bool pageUsed_ = false; // something printed below the headers of the page
    double y_ = 0;
    double footerHeight_ = 0;
    std::vector<Band*> groups_; // group headers, outermost first
    std::vector<std::string> keys_;
    std::size_t openGroups_ = 0; // groups whose header was printed and footer not yet
};

} // namespace reportengine
