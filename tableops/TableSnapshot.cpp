#include "tableops/TableSnapshot.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>

#include <signal.h>
#include <unistd.h>

namespace operations {

namespace fs = std::filesystem;

namespace {

const std::string SnapshotPrefix = ".snapshot-";

bool processRuns(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

} // namespace

TableSnapshot::TableSnapshot(const fs::path& table)
    : directory_(table.parent_path()), stem_(table.stem().string()),
      copies_(directory_ / (SnapshotPrefix + stem_ + "-" + std::to_string(::getpid()))) {
    std::error_code ec;
    fs::remove_all(copies_, ec);
    fs::create_directory(copies_, ec);
    if (ec)
        throw engine::EngineError(engine::code::IoError, "Cannot keep a copy of table " +
                                                             table.string() + ": " + ec.message());
    for (const fs::path& file : tableFiles()) {
        fs::copy_file(file, copies_ / file.filename(), ec);
        if (ec)
            throw engine::EngineError(engine::code::IoError, "Cannot keep a copy of " +
                                                                 file.string() + ": " +
                                                                 ec.message());
        saved_.push_back(file.filename());
    }
}

TableSnapshot::~TableSnapshot() {
    std::error_code ignored;
    fs::remove_all(copies_, ignored);
}

std::vector<fs::path> TableSnapshot::tableFiles() const {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(directory_, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file() && engine::equalsIgnoreCase(it->path().stem().string(), stem_))
            files.push_back(it->path());
    return files;
}

std::optional<fs::path> TableSnapshot::leftBehind(const fs::path& table) {
    const std::string stem = table.stem().string();
    std::error_code ec;
    for (fs::directory_iterator it(table.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        // .snapshot-STEM-PID
        std::string name = it->path().filename().string();
        std::size_t dash = name.rfind('-');
        if (!it->is_directory() || name.rfind(SnapshotPrefix, 0) != 0 ||
            dash == std::string::npos ||
            !engine::equalsIgnoreCase(
                name.substr(SnapshotPrefix.size(), dash - SnapshotPrefix.size()), stem))
            continue;
        pid_t pid = 0;
        const char* digits = name.data() + dash + 1;
        auto parsed = std::from_chars(digits, name.data() + name.size(), pid);
        if (parsed.ec == std::errc() && parsed.ptr == name.data() + name.size() && pid > 0 &&
            !processRuns(pid))
            return it->path();
    }
    return std::nullopt;
}

void TableSnapshot::restore() {
    std::error_code ec;
    // Files the change added go; the saved ones are renamed back over theirs.
    for (const fs::path& file : tableFiles())
        if (std::find(saved_.begin(), saved_.end(), file.filename()) == saved_.end())
            fs::remove(file, ec);
    for (const fs::path& name : saved_) {
        fs::rename(copies_ / name, directory_ / name, ec);
        if (ec)
            throw engine::EngineError(engine::code::IoError, "Cannot put back " +
                                                                 (directory_ / name).string() +
                                                                 ": " + ec.message());
    }
    saved_.clear();
}

} // namespace operations
