#include "ui/DbNavigator.h"

#include "engine/dataset/DataSet.h"
#include "ui/Dialogs.h"

#include <QEvent>
#include <QHBoxLayout>

namespace ui {

namespace {

struct ButtonLook {
    const char* name;
    const char* glyph;
    const char* hint;
};

constexpr ButtonLook Looks[] = {
    {"First", "|\u25C0", "First record"},
    {"Prior", "\u25C0", "Prior record"},
    {"Next", "\u25B6", "Next record"},
    {"Last", "\u25B6|", "Last record"},
};

} // namespace

DbNavigator::DbNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("Nav") + Looks[i].name);
        button->setText(QString::fromUtf8(Looks[i].glyph));
        button->setToolTip(QString::fromUtf8(Looks[i].hint));
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        connect(button, &QToolButton::clicked, this, [this, i] { move(static_cast<Button>(i)); });
        layout->addWidget(button);
        buttons_[i] = button;
    }
    link_.onState = [this](engine::TDataSource&) { updateButtons(); };
    link_.onData = [this](engine::TDataSource&, engine::TField*) { updateButtons(); };
    updateButtons();
}

void DbNavigator::setDataSource(engine::TDataSource* source) {
    link_.setSource(source);
    updateButtons();
}

void DbNavigator::move(Button which) {
    engine::TDataSource* source = link_.source();
    if (!source || source->State() == engine::dsInactive)
        return;
    engine::TDataSet& dataSet = *source->DataSet();
    try {
        switch (which) {
        case First:
            dataSet.First();
            break;
        case Prior:
            dataSet.Prior();
            break;
        case Next:
            dataSet.Next();
            break;
        case Last:
            dataSet.Last();
            break;
        }
    } catch (const std::exception& error) {
        dialogs().error(QString::fromStdString(error.what()));
    }
    updateButtons();
}

void DbNavigator::updateButtons() {
    engine::TDataSource* source = link_.source();
    bool active = isEnabled() && source && source->State() != engine::dsInactive;
    engine::TDataSet* dataSet = active ? source->DataSet() : nullptr;
    bool browsing = dataSet && dataSet->State() == engine::dsBrowse;
    bool back = dataSet && (!browsing || !dataSet->Bof());
    bool forward = dataSet && (!browsing || !dataSet->Eof());
    bool empty = !dataSet || dataSet->IsEmpty();
    buttons_[First]->setEnabled(back && !empty);
    buttons_[Prior]->setEnabled(back && !empty);
    buttons_[Next]->setEnabled(forward && !empty);
    buttons_[Last]->setEnabled(forward && !empty);
}

void DbNavigator::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateButtons();
}

} // namespace ui
