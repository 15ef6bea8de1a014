#pragma once

#include "engine/files/UndoJournal.h"
#include "engine/files/WriteLock.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace engine {

// The one way a table's files are written, for every format: a write (or a
// batch of them) is a session that
//  - takes the table's write lock, so one writer at a time, of any program;
//  - takes in what other writers changed (counts, free space, index pages);
//  - refuses a table that a writer left in the middle of a session (the
//    marker in its header is still set): its indexes may miss rows;
//  - sets that marker, keeps what every write overwrites (UndoJournal);
//  - at its end writes what is buffered, flushes the files to disk and
//    clears the marker; on any failure puts every byte back instead.
// Sessions nest (a batch around single writes); a failure inside rolls the
// whole outer session back.
class WriteSession {
public:
    // What the table does at the session's edges.
    struct Hooks {
        std::function<void()> takeInChanges; // under the lock, before the first write
        std::function<bool()> marked;        // the header's incomplete-session marker
        std::function<void(bool)> mark;
        std::function<void()> flush;  // buffered rows, memos, pages to the files
        std::function<void()> reload; // after a rollback: drop buffers, read the files anew
    };
    enum class Purpose { Write, Repair /* reindex: allowed on, and clears, a marked table */ };

    WriteSession(const std::filesystem::path& table, Hooks hooks);
    ~WriteSession();
    WriteSession(const WriteSession&) = delete;
    WriteSession& operator=(const WriteSession&) = delete;

    bool active() const { return depth_ > 0; }
    void begin(Purpose purpose = Purpose::Write);
    void commit();
    // Ends the whole session, however deeply nested, putting back every byte.
    void rollback() noexcept;

    // Runs `write` as a session of its own (or as part of the open one).
    template <class Write> auto run(Write&& write, Purpose purpose = Purpose::Write) {
        begin(purpose);
        try {
            if constexpr (std::is_void_v<decltype(write())>) {
                write();
                commit();
            } else {
                auto result = write();
                commit();
                return result;
            }
        } catch (...) {
            rollback();
            throw;
        }
    }

private:
    std::filesystem::path table_;
    Hooks hooks_;
    WriteLock lock_;
    std::optional<UndoJournal> journal_;
    int depth_ = 0;
};

// The message for a table that a writer left in the middle of a session.
std::string interruptedMessage(const std::filesystem::path& table);

} // namespace engine
