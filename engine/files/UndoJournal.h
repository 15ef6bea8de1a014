#pragma once

#include "engine/files/ScratchFile.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// Keeps what the writes to one table's files overwrite, so that a failed
// write session can put every byte back. A journal claims the files of its
// table: the same directory and the same name before the first dot (T.DBF,
// T.DBT, T.MDX, T.PX, T.X02, ...). While it is open, BinaryFile tells it of
// every write to such a file made on this thread before making it. Bytes
// past a file's size at its first write are not kept: a rollback cuts the
// file back to that size. The bytes kept stay in memory up to a limit, the
// rest go to a scratch file beside the table, so that a session that
// rewrites a large table holds no copy of it in memory.
class UndoJournal {
public:
    explicit UndoJournal(const std::filesystem::path& table);
    ~UndoJournal();
    UndoJournal(const UndoJournal&) = delete;
    UndoJournal& operator=(const UndoJournal&) = delete;

    // The innermost open journal of this thread that claims `file`, or null.
    static UndoJournal* claiming(const std::filesystem::path& file);

    void beforeWrite(int fd, std::uint64_t offset, std::size_t size);
    void beforeTruncate(int fd, std::uint64_t size);
    // Before `target` is replaced by a rename: keeps the file it names now
    // (a second link to it) so that a rollback can put it back.
    void beforeReplace(const std::filesystem::path& target);
    // Puts back every byte written, and every file replaced, since the
    // journal was opened. A file that cannot be put back does not stop the
    // others; then one IoError names each file that did not go back.
    void rollback();
    // The session succeeded: lets go of the replaced files.
    void commit();
    // Flushes every file written to the disk (fdatasync).
    void sync();
    // The bytes each journal keeps in memory before the rest go to its
    // scratch file; tests set it small. 0 puts the default back.
    static void setMemoryLimit(std::size_t bytes);

private:
    struct Saved {
        std::uint64_t offset;
        std::string bytes;                       // empty when they went to the scratch file
        std::uint64_t scratchAt = 0, length = 0; // there
    };
    struct File {
        int fd = -1; // our own duplicate: valid when the writer has closed its own
        std::string name;
        std::uint64_t size = 0;                      // at the first write
        std::map<std::uint64_t, std::uint64_t> kept; // ranges saved: start -> end
        std::vector<Saved> saved;
    };
    File& fileOf(int fd);
    void keep(File& file, std::uint64_t from, std::uint64_t to);
    void putBack(const File& file) const;

    std::filesystem::path dir_;
    std::string stem_;
    std::size_t held_ = 0; // bytes kept in memory
    std::optional<ScratchFile> scratch_;
    std::map<std::pair<std::uint64_t, std::uint64_t>, File> files_; // by (device, inode)
    struct Replaced {
        std::filesystem::path target;
        std::filesystem::path kept; // empty when there was no file
    };
    std::vector<Replaced> replaced_;
};

} // namespace engine
