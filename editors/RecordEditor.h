#pragma once

#include "engine/dataset/DataSetTypes.h"
#include "engine/dataset/DataSource.h"
#include "engine/dataset/Table.h"
#include "ui/DbGridModel.h"

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <initializer_list>
#include <string>

// What the record editors share: the five numbered buttons, the red mode
// label, the per-state table of enabled controls, the key box colours and
// the refusal of a row by its checks.
namespace editors {

// The buttons "&1=Insert" ... "&5=Delete", named BtnInsert ... BtnDelete
// followed by `suffix`, each with its hint.
struct RecordButtons {
    QPushButton* Insert;
    QPushButton* Edit;
    QPushButton* Post;
    QPushButton* Cancel;
    QPushButton* Delete;
};
RecordButtons makeRecordButtons(QWidget* parent, const QString& suffix = {});

// The mode label: red, bold.
QLabel* makeStateLabel(QWidget* parent, const QString& name);

// "[mode:insert]", "[mode:edit]", "[mode:browse]"; empty for other states.
QString modeText(engine::TDataSetState state);
bool isModeState(engine::TDataSetState state);

// One row of a state table: whether the control is enabled while
// inserting, editing and browsing.
struct StateRow {
    QWidget* control;
    bool insert, edit, browse;
};
// Sets the label to the mode text and enables the controls by the table;
// other states only clear the label.
void applyStateTable(QLabel& label, engine::TDataSetState state,
                     std::initializer_list<StateRow> rows);

// A key box that can be typed into (enabled, window colour) or not
// (disabled, inactive-caption colour).
void setKeyBox(QWidget& box, bool typeable);

// Moves the focus to the control of a failed check and raises its message.
[[noreturn]] void refuse(QWidget* control, const std::string& message);

// A grid column with the view's font and colour unless given.
ui::DbColumn gridColumn(const char* field, const QString& title, int width,
                        std::optional<QFont> font = {}, std::optional<QColor> color = {});

// Keeps a data source disabled while it lives: the dataset moves through
// rows that the controls need not follow.
class Unfollowed {
public:
    explicit Unfollowed(engine::TDataSource& source) : source_(source) {
        source_.SetEnabled(false);
    }
    ~Unfollowed() { source_.SetEnabled(true); }
    Unfollowed(const Unfollowed&) = delete;
    Unfollowed& operator=(const Unfollowed&) = delete;

private:
    engine::TDataSource& source_;
};

// Opens a table when it is closed, refreshes it when it is open.
void openOrRefresh(engine::TTable& table);

} // namespace editors
