#include "engine/files/WriteSession.h"

#include "engine/base/EngineError.h"

namespace engine {

std::string interruptedMessage(const std::filesystem::path& table) {
    return "Table " + table.string() +
           " was left unfinished by a program that stopped while writing it, so its indexes "
           "may miss rows; rebuild them with \"tabletool reindex " +
           table.string() + "\" before changing it";
}

WriteSession::WriteSession(const std::filesystem::path& table, Hooks hooks)
    : table_(table), hooks_(std::move(hooks)), lock_(table) {}

WriteSession::~WriteSession() {
    if (active())
        rollback();
}

void WriteSession::begin(Purpose purpose) {
    if (depth_++ > 0)
        return;
    try {
        lock_.acquire();
    } catch (...) {
        depth_ = 0;
        throw;
    }
    try {
        hooks_.takeInChanges();
        if (purpose == Purpose::Write && hooks_.marked())
            throw EngineError(code::IndexOutOfDate, interruptedMessage(table_));
        journal_.emplace(table_);
        hooks_.mark(true);
    } catch (...) {
        journal_.reset();
        depth_ = 0;
        lock_.release();
        throw;
    }
}

void WriteSession::commit() {
    if (depth_ == 0 || --depth_ > 0)
        return;
    try {
        hooks_.flush();
        journal_->sync();
        hooks_.mark(false);
    } catch (...) {
        ++depth_;
        rollback();
        throw;
    }
    journal_->commit();
    journal_.reset();
    lock_.release();
}

void WriteSession::rollback() noexcept {
    if (depth_ == 0)
        return;
    depth_ = 0;
    try {
        journal_->rollback();
    } catch (const EngineError&) {
        // The files stay marked: the next writer is told to rebuild the indexes.
    }
    journal_.reset();
    try {
        hooks_.reload();
    } catch (const EngineError&) {
        // The next session reads the files again anyway.
    }
    lock_.release();
}

} // namespace engine
