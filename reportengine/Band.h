#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace engine {
class TField;
}

namespace reportengine {

enum class BandKind { PageHeader, Title, GroupHeader, Detail, GroupFooter, PageFooter, Summary };

// What a label prints: its own text, a field of the current row, or a value
// of the run (date, time, page number) after its text.
enum class LabelData { Text, Field, Date, Time, PageNumber };

// A text placed on a band, in design pixels of 96 per inch from the band's
// top left corner. A right-aligned label ends at x + width.
class Label {
public:
    Label(QString name, double left, double top, QFont labelFont)
        : x(left), y(top), font(std::move(labelFont)), name_(std::move(name)) {}

    const QString& name() const { return name_; }
    void setText(const QString& value) { text = value; }

    double x;
    double y;
    QFont font;
    QString text;
    LabelData data = LabelData::Text;
    const engine::TField* field = nullptr; // LabelData::Field
    double width = 0;
    bool alignRight = false;

private:
    QString name_;
};

// A horizontal strip of a report, printed whole on one page. BeforePrint
// runs just before the band would print and may cancel it, or change the
// band (its labels, its new-page switch).
class Band {
public:
    using BeforePrintHandler = std::function<void(Band& sender, bool& printBand)>;

    Band(QString name, BandKind kind, double bandHeight)
        : height(bandHeight), name_(std::move(name)), kind_(kind) {}

    const QString& name() const { return name_; }
    BandKind kind() const { return kind_; }

    Label& addLabel(const QString& name, double x, double y, const QFont& font,
                    const QString& text = {});
    Label* label(const QString& name);
    const std::vector<std::unique_ptr<Label>>& labels() const { return labels_; }

    double height;
    BeforePrintHandler BeforePrint;
    // Start this band on a new page (unless the page holds nothing yet).
    bool ForceNewPage = false;
    // Group headers: the field whose change starts a new group; the footer
    // band that closes the group; print the header again at the top of a
    // page that continues the group.
    const engine::TField* groupField = nullptr;
    Band* groupFooter = nullptr;
    bool RepeatOnNewPage = false;

private:
    QString name_;
    BandKind kind_;
    std::vector<std::unique_ptr<Label>> labels_;
};

} // namespace reportengine
