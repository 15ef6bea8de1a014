#pragma once

#include <filesystem>

namespace engine {

// Lets one writer at a time write a table that several have open (shared
// opens hold only a shared lock on the table file). It is a lock on one
// byte far past the end of the table file (.DBF, .DB), owned by its own
// open file, so that closing other handles on the file does not drop it,
// and two handles of one program exclude each other. Nested holds count.
// The file is opened at the first write, so a handle that only reads never
// needs write access.
class WriteLock {
public:
    explicit WriteLock(const std::filesystem::path& table);
    ~WriteLock();
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    // Waits up to a few seconds for another program to finish its write;
    // throws EngineError(Locked), naming that program, after that. A lock
    // that cannot be taken at all (the table cannot be opened for writing,
    // the system refuses locks) throws EngineError(IoError) with the
    // system's reason: nothing is written without the lock.
    void acquire();
    void release();

private:
    void open();
    bool set(short type);

    std::filesystem::path path_;
    int fd_ = -1;
    int depth_ = 0;
};

} // namespace engine
