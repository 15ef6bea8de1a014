#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace operations {

// A copy of a table's files (the table and every companion of the same
// name: memo, indexes) taken before a change, so that a change that fails
// can be undone whole. The copy lies in a hidden directory beside the table
// and is removed when the snapshot ends either way.
class TableSnapshot {
public:
    explicit TableSnapshot(const std::filesystem::path& table);
    ~TableSnapshot();
    TableSnapshot(const TableSnapshot&) = delete;
    TableSnapshot& operator=(const TableSnapshot&) = delete;

    // Puts the files back as they were when the snapshot was taken.
    void restore();

    // The directory of a snapshot of `table` that a run left behind when it
    // was killed: its process no longer runs.
    static std::optional<std::filesystem::path> leftBehind(const std::filesystem::path& table);

private:
    std::vector<std::filesystem::path> tableFiles() const;

    std::filesystem::path directory_;
    std::string stem_;
    std::filesystem::path copies_;
    std::vector<std::filesystem::path> saved_;
};

} // namespace operations
