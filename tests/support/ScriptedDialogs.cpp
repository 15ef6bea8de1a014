#include "ScriptedDialogs.h"

#include <algorithm>

namespace support {

ScriptedDialogs::ScriptedDialogs() : previous_(ui::setDialogs(this)) {}

ScriptedDialogs::~ScriptedDialogs() {
    ui::setDialogs(previous_);
}

QStringList ScriptedDialogs::texts() const {
    QStringList texts;
    for (const ui::DialogBox& box : shown_)
        texts << box.text;
    return texts;
}

void ScriptedDialogs::clear() {
    answers_.clear();
    shown_.clear();
}

ui::Answer ScriptedDialogs::show(const ui::DialogBox& box) {
    shown_.push_back(box);
    if (box.buttons.size() == 1)
        return box.buttons.front();
    if (answers_.empty())
        return box.buttons.back();
    ui::Answer next = answers_.front();
    answers_.pop_front();
    // An answer the box has no button for is a closed box as well.
    bool offered = std::find(box.buttons.begin(), box.buttons.end(), next) != box.buttons.end();
    return offered ? next : box.buttons.back();
}

} // namespace support
