#include "engine/paradox/BesideFiles.h"

#include "engine/files/BinaryFile.h"

#include <string>

namespace engine::paradox {

namespace fs = std::filesystem;

namespace {

const std::string kSuffix = ".new";

} // namespace

BesideFiles::~BesideFiles() {
    std::error_code ignored;
    for (const auto& [beside, real] : files_)
        fs::remove(beside, ignored);
}

fs::path BesideFiles::beside(const fs::path& file) {
    fs::path name = file.parent_path() / ("." + file.filename().string() + kSuffix);
    files_.emplace_back(name, file);
    return name;
}

void BesideFiles::replaceAll() {
    while (!files_.empty()) {
        renameOver(files_.front().first, files_.front().second);
        files_.erase(files_.begin());
    }
}

void BesideFiles::removeLeftovers(const fs::path& dir,
                                  const std::function<bool(const fs::path&)>& isOurs) {
    std::error_code ec;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() <= 1 + kSuffix.size() || name[0] != '.' ||
            name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
            continue;
        fs::path real = it->path().parent_path() / name.substr(1, name.size() - 1 - kSuffix.size());
        std::error_code ignored;
        if (isOurs(real))
            fs::remove(it->path(), ignored);
    }
}

} // namespace engine::paradox
