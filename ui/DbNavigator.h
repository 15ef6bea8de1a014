#pragma once

#include "ui/DataLink.h"

#include <QToolButton>
#include <QWidget>

namespace ui {

// Four buttons that move a data source's dataset: First, Prior, Next, Last,
// each with its hint. A button is enabled only when its move can go
// somewhere; all are disabled while the source is disabled or closed.
class DbNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last };

    explicit DbNavigator(QWidget* parent = nullptr);
    void setDataSource(engine::TDataSource* source);
    QToolButton* button(Button which) const { return buttons_[which]; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void move(Button which);
    void updateButtons();

    DataLink link_;
    QToolButton* buttons_[4] = {};
};

} // namespace ui
