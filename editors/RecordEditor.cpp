#include "editors/RecordEditor.h"

#include "engine/base/EngineError.h"
#include "ui/Colors.h"

namespace editors {

RecordButtons makeRecordButtons(QWidget* parent, const QString& suffix) {
    auto make = [&](const char* name, const char* caption, const char* hint) {
        auto* button = new QPushButton(QString::fromLatin1(caption), parent);
        button->setObjectName(QString::fromLatin1(name) + suffix);
        button->setToolTip(QString::fromLatin1(hint));
        return button;
    };
    return {make("BtnInsert", "&1=Insert", "Insert."), make("BtnEdit", "&2=Edit", "Edit."),
            make("BtnPost", "&3=Post", "Post."), make("BtnCancel", "&4=Cancel", "Cancel."),
            make("BtnDelete", "&5=Delete", "Delete.")};
}

QLabel* makeStateLabel(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: red;"));
    return label;
}

QString modeText(engine::TDataSetState state) {
    switch (state) {
    case engine::dsInsert:
        return QStringLiteral("[mode:insert]");
    case engine::dsEdit:
        return QStringLiteral("[mode:edit]");
    case engine::dsBrowse:
        return QStringLiteral("[mode:browse]");
    default:
        return {};
    }
}

bool isModeState(engine::TDataSetState state) {
    return state == engine::dsInsert || state == engine::dsEdit || state == engine::dsBrowse;
}

void applyStateTable(QLabel& label, engine::TDataSetState state,
                     std::initializer_list<StateRow> rows) {
    label.clear();
    if (!isModeState(state))
        return;
    for (const StateRow& row : rows)
        row.control->setEnabled(state == engine::dsInsert ? row.insert
                                : state == engine::dsEdit ? row.edit
                                                          : row.browse);
    label.setText(modeText(state));
}

void setKeyBox(QWidget& box, bool typeable) {
    box.setEnabled(typeable);
    ui::setBoxColor(box, typeable ? ui::BoxColor::Window : ui::BoxColor::InactiveCaption);
    // The key stays readable on the grey: the colour tells the state.
    QPalette palette = box.palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     palette.color(QPalette::Active, QPalette::Text));
    box.setPalette(palette);
}

void refuse(QWidget* control, const std::string& message) {
    if (control)
        control->setFocus();
    throw engine::EngineError(engine::code::BadValue, message);
}

ui::DbColumn gridColumn(const char* field, const QString& title, int width,
                        std::optional<QFont> font, std::optional<QColor> color) {
    ui::DbColumn column;
    column.field = field;
    column.title = title;
    column.width = width;
    column.font = std::move(font);
    column.color = std::move(color);
    return column;
}

void openOrRefresh(engine::TTable& table) {
    if (table.Active())
        table.Refresh();
    else
        table.Open();
}

} // namespace editors
