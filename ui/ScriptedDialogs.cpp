#include "ui/ScriptedDialogs.h"

#include <algorithm>

namespace ui {

ScriptedDialogs::ScriptedDialogs() : previous_(setDialogs(this)) {}

ScriptedDialogs::~ScriptedDialogs() {
    setDialogs(previous_);
}

QStringList ScriptedDialogs::texts() const {
    QStringList texts;
    for (const DialogBox& box : shown_)
        texts << box.text;
    return texts;
}

void ScriptedDialogs::clear() {
    answers_.clear();
    shown_.clear();
}

Answer ScriptedDialogs::show(const DialogBox& box) {
    shown_.push_back(box);
    if (box.buttons.size() == 1)
        return box.buttons.front();
    if (answers_.empty())
        return box.buttons.back();
    Answer next = answers_.front();
    answers_.pop_front();
    // An answer the box has no button for is a closed box as well.
    bool offered = std::find(box.buttons.begin(), box.buttons.end(), next) != box.buttons.end();
    return offered ? next : box.buttons.back();
}

} // namespace ui
