#include "operations/TableSnapshot.h"

#include "engine/EngineError.h"
#include "engine/Text.h"

#include <algorithm>

#include <unistd.h>

namespace operations {

namespace fs = std::filesystem;

TableSnapshot::TableSnapshot(const fs::path& table)
    : directory_(table.parent_path()), stem_(table.stem().string()),
      copies_(directory_ / (".snapshot-" + stem_ + "-" + std::to_string(::getpid()))) {
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
