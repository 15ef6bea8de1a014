#include "engine/dataset/OpenTables.h"

#include "engine/base/EngineError.h"
#include "engine/drivers/Tables.h"
#include "engine/files/FileNames.h"

#include <map>
#include <mutex>

namespace engine {

namespace fs = std::filesystem;

namespace {

struct Entry {
    std::weak_ptr<TableFile> file;
    bool readOnly = false;
};

struct Registry {
    std::mutex mutex;
    std::map<fs::path, Entry> open;
};

Registry& registry() {
    static Registry r;
    return r;
}

fs::path identity(const fs::path& path) {
    fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    fs::path file = findFile(dir, path.filename().string());
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(file, ec);
    return ec ? file : canonical;
}

} // namespace

std::shared_ptr<TableFile> openShared(const fs::path& path, const OpenOptions& options) {
    fs::path key = identity(path);
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Entry& entry = r.open[key];
    // A handle opened read-only does not serve a writer; the writer gets its own.
    if (auto existing = entry.file.lock(); existing && (options.readOnly || !entry.readOnly))
        return existing;
    std::shared_ptr<TableFile> file = openTable(path, options);
    entry = Entry{file, options.readOnly};
    return file;
}

bool isOpenHere(const fs::path& path) {
    fs::path key = identity(path);
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.open.find(key);
    return it != r.open.end() && !it->second.file.expired();
}

} // namespace engine
