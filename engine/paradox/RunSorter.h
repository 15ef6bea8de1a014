#pragma once

#include "engine/files/ScratchFile.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine::paradox {

// Sorts fixed-size items by their leading `keyLength` bytes (bytewise) in
// bounded memory: items gather in memory up to the working memory, then go
// to a scratch file as a sorted run; reading them back merges the runs.
// Items of one key come out in the order they went in.
class RunSorter {
public:
    // Whether keys that went to the scratch file can be looked up (holdsSpilled).
    enum class Lookups { No, Yes };
    // `dir` is where the scratch file goes: beside the table.
    RunSorter(std::size_t itemSize, std::size_t keyLength, std::filesystem::path dir,
              Lookups lookups = Lookups::No);

    void add(const char* item);
    std::uint64_t size() const { return count_; }
    // Sends the items gathered to the scratch file now, as a run.
    void endRun();
    // Whether an item with this key went to the scratch file. A filter of
    // the keys (a few MiB) answers most lookups of a key not there; the
    // others read one page of each run.
    bool holdsSpilled(std::string_view key);
    // Calls `take` with every item in order; may be called again.
    void forEach(const std::function<void(const char*)>& take);

private:
    struct Run {
        std::uint64_t offset, items;
        std::string pageKeys; // with lookups: the key of the first item of each page
    };
    std::vector<std::uint32_t> sortedOrder() const;
    void spill();
    void merge(const std::function<void(const char*)>& take);
    std::pair<std::uint64_t, std::uint64_t> probes(std::string_view key) const;
    void remember(const char* item);
    bool runHolds(const Run& run, std::string_view key);

    std::size_t itemSize_, keyLength_, runItems_, pageItems_;
    std::filesystem::path dir_;
    bool lookups_;
    std::string gathered_; // the run in memory, in the order the items came
    std::uint64_t count_ = 0;
    std::optional<ScratchFile> file_;
    std::vector<Run> runs_;
    std::vector<std::uint64_t> filter_; // bits of the spilled keys' hashes
    std::string page_;
};

} // namespace engine::paradox
