#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The new dictionary files of a restore, prepared in a private directory
// beside the dictionary and moved in only when all of them are ready:
// until commit() the dictionary is untouched, and the staging directory is
// removed whatever happens.
class RestoreStaging {
public:
    explicit RestoreStaging(const std::filesystem::path& dictionary);
    ~RestoreStaging();
    RestoreStaging(const RestoreStaging&) = delete;
    RestoreStaging& operator=(const RestoreStaging&) = delete;

    // Where the engine may work on the staged tables.
    const std::filesystem::path& directory() const { return dir_; }

    // Copies `from` in as `name`. The copy gets the mode (and, where the
    // system allows, the owner) of the dictionary's own file of that name,
    // or the user's default for a new file or one the user may not read;
    // never the mode of `from`.
    void copyIn(const std::filesystem::path& from, const std::string& name);

    // Gives the file `name`, made in directory() by the engine, the mode and
    // owner of the dictionary's own file of that name (when it is there and
    // the user may read it).
    void adoptMode(const std::string& name);

    // At commit, the dictionary's own file `name` is kept beside its
    // replacement as `name` + ".damaged" (when it is there).
    void keepAside(const std::string& name);

    // Flushes every staged file and the staging directory to the disk,
    // renames each over its dictionary file (found case-insensitively), and
    // flushes the dictionary directory.
    void commit();

private:
    std::filesystem::path dictionary_;
    std::filesystem::path dir_;
    std::vector<std::string> keptAside_;
};
