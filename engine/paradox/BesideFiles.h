#pragma once

#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

namespace engine::paradox {

// The files of an index build, written under names of their own beside the
// files they replace ("." + name + ".new", which no reader takes for an
// index) and renamed over them only once the whole build is complete: a
// failed or killed build leaves the old files as they were.
class BesideFiles {
public:
    BesideFiles() = default;
    BesideFiles(const BesideFiles&) = delete;
    BesideFiles& operator=(const BesideFiles&) = delete;
    // Removes the files not renamed over (a build that failed).
    ~BesideFiles();

    // The name to write `file` under until replaceAll().
    std::filesystem::path beside(const std::filesystem::path& file);
    // Renames every file over the one it replaces (flushed, with its directory).
    void replaceAll();

    // Removes files that a killed build left in `dir` under their temporary
    // names, for the real names that `isOurs` accepts.
    static void removeLeftovers(const std::filesystem::path& dir,
                                const std::function<bool(const std::filesystem::path&)>& isOurs);

private:
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files_; // (beside, real)
};

} // namespace engine::paradox
