#pragma once

#include "engine/table/TableFile.h"

namespace engine {

// An append batch ended on every way out: finish() stores its rows; leaving
// without finish() (an exception) drops them, so that the table is as it
// was before the batch.
class AppendBatch {
public:
    explicit AppendBatch(TableFile& file) : file_(file) { file_.beginAppendBatch(); }
    ~AppendBatch() {
        if (!finished_)
            file_.cancelAppendBatch();
    }
    AppendBatch(const AppendBatch&) = delete;
    AppendBatch& operator=(const AppendBatch&) = delete;

    void finish() {
        finished_ = true;
        file_.endAppendBatch();
    }

private:
    TableFile& file_;
    bool finished_ = false;
};

} // namespace engine
