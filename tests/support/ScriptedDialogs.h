#pragma once

#include "ui/Dialogs.h"

#include <deque>
#include <vector>

namespace support {

// Dialogs for tests: while it lives it replaces the program's dialogs,
// records every box shown and answers confirmations from a queue. A box with
// OK only needs no answer; a question with no answer queued is answered as if
// the box were closed (its second button).
class ScriptedDialogs : public ui::Dialogs {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // Queues the answer to the next question.
    void answer(ui::Answer next) { answers_.push_back(next); }
    const std::vector<ui::DialogBox>& shown() const { return shown_; }
    // The texts of the boxes shown, in order.
    QStringList texts() const;
    // Answers queued but not used.
    std::size_t unusedAnswers() const { return answers_.size(); }
    void clear();

protected:
    ui::Answer show(const ui::DialogBox& box) override;

private:
    ui::Dialogs* previous_;
    std::deque<ui::Answer> answers_;
    std::vector<ui::DialogBox> shown_;
};

} // namespace support
