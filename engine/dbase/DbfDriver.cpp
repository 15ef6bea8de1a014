// openTable, createTable, deleteTable and renameTable for dBase tables.
#include "engine/dbase/DbfDriver.h"
#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/dbase/DbfHeader.h"
#include "engine/dbase/DbfTable.h"
#include "engine/dbase/MdxFormat.h"
#include "engine/dbase/MdxTag.h"
#include "engine/dbase/MemoFile.h"
#include "engine/files/BinaryFile.h"
#include "engine/files/FileNames.h"
#include "engine/files/FileOps.h"
#include "engine/values/Codepage.h"

#include <vector>

namespace engine::dbase {

namespace fs = std::filesystem;

namespace {

// "T" names the table T.DBF.
fs::path tableFile(const fs::path& path) {
    if (path.has_extension())
        return path;
    fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    fs::path found = findFile(dir, path.filename().string() + ".DBF");
    return path.parent_path().empty() ? found.filename() : found;
}

void requireTable(const fs::path& file) {
    if (!fileExists(file))
        throw EngineError(code::FileNotFound, "Table " + file.string() + " does not exist");
}

// The table's companions that exist: memo file and production index.
std::vector<fs::path> companions(const fs::path& file) {
    std::vector<fs::path> out;
    for (const char* ext : {".DBT", ".MDX"}) {
        fs::path p = companionFile(file, ext);
        if (fileExists(p))
            out.push_back(p);
    }
    return out;
}

// Writes a name into a header, upper case, NUL padded to `size` bytes.
void writeName(const fs::path& file, std::uint64_t offset, std::size_t size,
               const std::string& name) {
    std::string bytes(size, '\0');
    std::string upper = toUpperAscii(name);
    std::copy_n(upper.begin(), std::min(size, upper.size()), bytes.begin());
    BinaryFile(file, BinaryFile::Mode::ReadWrite).writeAt(offset, bytes.data(), bytes.size());
}

// The MDX names its table (offset 4, 16 bytes); a dBase IV DBT too (offset 8).
void nameCompanion(const fs::path& companion, unsigned char version, const std::string& name) {
    std::string ext = companion.extension().string();
    if (equalsIgnoreCase(ext, ".MDX") && fileSize(companion) >= 20)
        writeName(companion, 4, 16, name);
    else if (equalsIgnoreCase(ext, ".DBT") && version == kVersionMemo4 && fileSize(companion) >= 16)
        writeName(companion, 8, 8, name);
}

} // namespace

DefinitionProblems indexProblems(const FieldList& fields, const std::vector<IndexDef>& tags) {
    DefinitionProblems problems;
    if (tags.size() > static_cast<std::size_t>(mdx::MaxTags))
        problems.push_back({"",
                            "has " + std::to_string(tags.size()) +
                                " tags; a production index holds at most " +
                                std::to_string(mdx::MaxTags),
                            code::InvalidParameter});
    FieldList stored;
    for (const FieldDef& field : fields)
        stored.push_back({toUpperAscii(field.name), field.type, field.length, field.decimals});
    std::vector<std::string> names;
    for (const IndexDef& tag : tags) {
        auto refuse = [&](std::uint16_t code, const std::string& why) {
            problems.push_back({tag.name, "tag " + tag.name + ": " + why, code});
        };
        if (tag.primary || tag.caseInsensitive)
            refuse(code::InvalidParameter, "dBase tags have no primary or case-insensitive option");
        std::string name = toUpperAscii(tag.name);
        if (std::find(names.begin(), names.end(), name) != names.end())
            refuse(code::InvalidParameter, "the name is given twice");
        names.push_back(name);
        try {
            MdxTag::declare(tag, stored, mdx::DefaultBlockSize);
        } catch (const EngineError& error) {
            refuse(error.code(), error.what());
        }
    }
    return problems;
}

std::unique_ptr<TableFile> openTable(const fs::path& path, const OpenOptions& options) {
    fs::path file = tableFile(path);
    requireTable(file);
    return std::make_unique<DbfTable>(file, options);
}

std::unique_ptr<TableFile> createTable(const fs::path& path, const FieldList& fields) {
    fs::path file = tableFile(path);
    FieldList normalised = normaliseFields(fields, file.string());
    DbfHeader header = newDbfHeader(normalised, Codepage(1252).dbaseDriverId());
    std::string bytes = encodeDbfHeader(header) + kEndMarker;
    {
        BinaryFile dbf(file, BinaryFile::Mode::CreateNew, LockMode::Exclusive);
        if (header.hasMemoFile())
            MemoFile::create(companionFile(file, ".DBT"), toUpperAscii(file.stem().string()));
        dbf.writeAt(0, bytes.data(), bytes.size());
    }
    return std::make_unique<DbfTable>(file, OpenOptions{});
}

void deleteTable(const fs::path& path) {
    fs::path file = tableFile(path);
    requireTable(file);
    // Held while the files go, so a table in use elsewhere is refused.
    BinaryFile lock(file, BinaryFile::Mode::Read, LockMode::Exclusive);
    for (const fs::path& companion : companions(file))
        removeFile(companion);
    removeFile(file);
}

void renameTable(const fs::path& from, const fs::path& to) {
    fs::path file = tableFile(from);
    requireTable(file);
    fs::path target = to.has_extension() ? to : fs::path(to.string() + ".DBF");
    if (target.parent_path().empty())
        target = file.parent_path() / target;
    fs::path targetDir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    fs::path sourceDir = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    if (!sameDirectory(targetDir, sourceDir))
        throw EngineError(code::InvalidName, "Cannot rename table " + file.string() + " to " +
                                                 target.string() +
                                                 ": a table stays in its directory");
    if (fileExists(findFile(targetDir, target.filename().string())))
        throw EngineError(code::FileExists, "Cannot rename table " + file.string() + ": " +
                                                target.string() + " already exists");
    BinaryFile lock(file, BinaryFile::Mode::Read, LockMode::Exclusive);
    unsigned char version = 0;
    lock.readSome(0, &version, 1);
    const std::string newName = target.stem().string();
    for (const fs::path& companion : companions(file)) {
        fs::path moved = companionFile(target, toUpperAscii(companion.extension().string()));
        renameFile(companion, moved);
        nameCompanion(moved, version, newName);
    }
    renameFile(file, target);
}

std::vector<fs::path> tableFiles(const fs::path& path) {
    fs::path file = tableFile(path);
    std::vector<fs::path> files;
    if (fileExists(file))
        files.push_back(file);
    for (const fs::path& companion : companions(file))
        files.push_back(companion);
    return files;
}

void nameCompanions(const fs::path& path) {
    fs::path file = tableFile(path);
    requireTable(file);
    unsigned char version = 0;
    BinaryFile(file, BinaryFile::Mode::Read).readSome(0, &version, 1);
    for (const fs::path& companion : companions(file))
        nameCompanion(companion, version, file.stem().string());
}

} // namespace engine::dbase
