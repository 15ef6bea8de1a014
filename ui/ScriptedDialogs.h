#pragma once

#include "ui/Dialogs.h"

#include <deque>
#include <vector>

namespace ui {

// Dialogs for tests: while it lives it replaces the program's dialogs,
// records every box shown and answers confirmations from a queue. A box with
// OK only needs no answer; a question with no answer queued is answered as if
// the box were closed (its second button).
class ScriptedDialogs : public Dialogs {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // Queues the answer to the next question.
    void answer(Answer next) { answers_.push_back(next); }
    const std::vector<DialogBox>& shown() const { return shown_; }
    // The texts of the boxes shown, in order.
    QStringList texts() const;
    // Answers queued but not used.
    std::size_t unusedAnswers() const { return answers_.size(); }
    void clear();

protected:
    Answer show(const DialogBox& box) override;

private:
    Dialogs* previous_;
    std::deque<Answer> answers_;
    std::vector<DialogBox> shown_;
};

} // namespace ui
