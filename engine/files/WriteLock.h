#pragma once

#include <filesystem>

namespace engine {

// Lets one writer at a time write a table that several have open (shared
// opens hold only a shared lock on the table file). It is a lock on one
// byte far past the end of the table file (.DBF, .DB), owned by its own
// open file, so that closing other handles on the file does not drop it,
// and two handles of one program exclude each other. Nested holds count.
class WriteLock {
public:
    explicit WriteLock(const std::filesystem::path& table);
    ~WriteLock();
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    // Waits up to a few seconds for another program to finish its write;
    // throws EngineError(Locked) after that.
    void acquire();
    void release();

private:
    bool set(short type);

    std::filesystem::path path_;
    int fd_ = -1;
    int depth_ = 0;
};

} // namespace engine
