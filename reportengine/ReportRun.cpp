#include "reportengine/ReportRun.h"

#include "engine/dataset/DataSet.h"
#include "engine/dataset/DataSource.h"
#include "reportengine/SystemFormats.h"

namespace reportengine {

namespace {

bool askToPrint(Band& band) {
    bool printBand = true;
    if (band.BeforePrint)
        band.BeforePrint(band, printBand);
    return printBand;
}

} // namespace

ReportRun::ReportRun(Report& report) : report_(report) {}

bool ReportRun::layOutTo(int index) {
    while (pageCount() <= index && phase_ != Phase::Done)
        step();
    return index < pageCount();
}

void ReportRun::layOutAll() {
    while (phase_ != Phase::Done)
        step();
}

void ReportRun::step() {
    if (phase_ == Phase::Start)
        start();
    else if (phase_ == Phase::Rows)
        row();
}

void ReportRun::start() {
    now_ = report_.Clock();
    if (report_.BeforePrint)
        report_.BeforePrint(report_);
    for (const auto& band : report_.bands()) {
        if (band->kind() == BandKind::GroupHeader)
            groups_.push_back(band.get());
        if (band->kind() == BandKind::PageFooter)
            footerHeight_ += band->height;
    }
    openPage(0);
    for (const auto& band : report_.bands())
        if (band->kind() == BandKind::Title)
            print(*band, 0);
    engine::TDataSource* source = report_.DataSource;
    engine::TDataSet* rows = source ? source->DataSet() : nullptr;
    if (rows && source->State() != engine::dsInactive) {
        rows->First();
        if (!rows->Eof()) {
            phase_ = Phase::Rows;
            return;
        }
    }
    finish();
}

void ReportRun::row() {
    engine::TDataSet& rows = *report_.DataSource->DataSet();
    std::size_t changed = 0;
    if (!keys_.empty())
        while (changed < groups_.size() && keyOf(changed) == keys_[changed])
            ++changed;
    keys_.resize(groups_.size());
    for (std::size_t g = changed; g < groups_.size(); ++g) {
        keys_[g] = keyOf(g);
        openGroups_ = g;
        print(*groups_[g], g);
    }
    openGroups_ = groups_.size();
    for (const auto& band : report_.bands())
        if (band->kind() == BandKind::Detail)
            print(*band, openGroups_);

    rows.Next();
    bool end = rows.Eof();
    std::size_t ended = 0;
    if (!end)
        while (ended < groups_.size() && keyOf(ended) == keys_[ended])
            ++ended;
    // Footers close the inner groups first; the dataset already stands on
    // the row after the group (or at its end).
    for (std::size_t g = groups_.size(); g > ended; --g) {
        openGroups_ = g - 1;
        if (Band* footer = groups_[g - 1]->groupFooter)
            print(*footer, g - 1);
    }
    if (end)
        finish();
}

void ReportRun::finish() {
    openGroups_ = 0;
    for (const auto& band : report_.bands())
        if (band->kind() == BandKind::Summary)
            print(*band, 0);
    closePage();
    phase_ = Phase::Done;
}

bool ReportRun::print(Band& band, std::size_t openGroups) {
    if (!askToPrint(band))
        return false;
    place(band, openGroups);
    return true;
}

void ReportRun::place(Band& band, std::size_t openGroups) {
    bool full = y_ + band.height > bodyBottom();
    if (pageUsed_ && (band.ForceNewPage || full)) {
        closePage();
        openPage(openGroups);
    }
    putBand(band, y_);
    y_ += band.height;
    pageUsed_ = true;
}

void ReportRun::openPage(std::size_t openGroups) {
    page_ = Page{pageCount() + 1, {}};
    pageOpen_ = true;
    y_ = report_.TopMargin;
    for (const auto& band : report_.bands())
        if (band->kind() == BandKind::PageHeader && askToPrint(*band)) {
            putBand(*band, y_);
            y_ += band->height;
        }
    // A page that goes on with a group repeats the group's header.
    for (std::size_t g = 0; g < openGroups && g < groups_.size(); ++g)
        if (groups_[g]->RepeatOnNewPage && askToPrint(*groups_[g])) {
            putBand(*groups_[g], y_);
            y_ += groups_[g]->height;
        }
    pageUsed_ = false;
}

void ReportRun::closePage() {
    double top = report_.pageHeight() - report_.BottomMargin - footerHeight_;
    for (const auto& band : report_.bands())
        if (band->kind() == BandKind::PageFooter) {
            if (askToPrint(*band))
                putBand(*band, top);
            top += band->height;
        }
    pages_.push_back(std::move(page_));
    pageOpen_ = false;
}

double ReportRun::bodyBottom() const {
    return report_.pageHeight() - report_.BottomMargin - footerHeight_;
}

void ReportRun::putBand(Band& band, double top) {
    for (const auto& label : band.labels()) {
        QString text = labelText(*label);
        if (text.isEmpty())
            continue;
        page_.texts.push_back(
            {label->x, top + label->y, label->width, label->alignRight, text, label->font});
    }
}

QString ReportRun::labelText(const Label& label) const {
    switch (label.data) {
    case LabelData::Text:
        return label.text;
    case LabelData::Field:
        return label.field ? fieldText(*label.field) : QString();
    case LabelData::Date:
        return label.text + shortDate(now_.date());
    case LabelData::Time:
        return label.text + longTime(now_.time());
    case LabelData::PageNumber:
        return label.text + QString::number(page_.number);
    }
    return {};
}

std::string ReportRun::keyOf(std::size_t group) const {
    const engine::TField* field = groups_[group]->groupField;
    return field ? field->AsString() : std::string();
}

} // namespace reportengine
