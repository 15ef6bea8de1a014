#include "engine/files/UndoJournal.h"

#include "engine/base/EngineError.h"
#include "engine/base/Text.h"
#include "engine/files/FaultSeam.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace {

thread_local std::vector<UndoJournal*> open;

constexpr std::size_t kDefaultMemory = 4u << 20;
constexpr std::uint64_t kPiece = 1u << 20; // the most bytes read or saved at once
std::atomic<std::size_t> memoryLimit{kDefaultMemory};

std::string stemOf(const std::filesystem::path& file) {
    std::string name = file.filename().string();
    return toUpperAscii(name.substr(0, name.find('.')));
}

std::filesystem::path dirOf(const std::filesystem::path& file) {
    return file.parent_path().empty() ? std::filesystem::path(".")
                                      : file.parent_path().lexically_normal();
}

[[noreturn]] void fail(const std::string& name, const char* what) {
    throw EngineError(code::IoError, std::string("Cannot ") + what + " " + name +
                                         " to undo a failed write: " + std::strerror(errno));
}

} // namespace

UndoJournal::UndoJournal(const std::filesystem::path& table)
    : dir_(dirOf(table)), stem_(stemOf(table)) {
    open.push_back(this);
}

UndoJournal::~UndoJournal() {
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
    for (auto& [id, file] : files_)
        ::close(file.fd);
}

UndoJournal* UndoJournal::claiming(const std::filesystem::path& file) {
    if (open.empty())
        return nullptr;
    std::string stem = stemOf(file);
    std::filesystem::path dir = dirOf(file);
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        if ((*it)->stem_ == stem && (*it)->dir_ == dir)
            return *it;
    return nullptr;
}

UndoJournal::File& UndoJournal::fileOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        fail("a table file", "examine");
    auto id = std::make_pair(static_cast<std::uint64_t>(st.st_dev),
                             static_cast<std::uint64_t>(st.st_ino));
    auto found = files_.find(id);
    if (found != files_.end())
        return found->second;
    File file;
    file.size = static_cast<std::uint64_t>(st.st_size);
    file.name = "file " + std::to_string(fd);
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n > 0)
        file.name.assign(target, static_cast<std::size_t>(n));
    file.fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (file.fd < 0)
        fail(file.name, "keep");
    return files_.emplace(id, std::move(file)).first->second;
}

// Saves the bytes [from, to) as they are, except those saved before: the
// oldest copy of a byte is the one a rollback must put back.
void UndoJournal::keep(File& file, std::uint64_t from, std::uint64_t to) {
    to = std::min(to, file.size);
    if (from >= to)
        return;
    auto after = file.kept.upper_bound(from);
    if (after != file.kept.begin()) {
        auto before = std::prev(after);
        if (before->first <= from && before->second >= to)
            return;
    }
    // In pieces, so that a long range never sits in memory whole on its way to the scratch file.
    for (std::uint64_t at = from; at < to;) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, to - at));
        Saved copy{at, std::string(want, '\0')};
        std::size_t done = 0;
        while (done < want) {
            ssize_t n = ::pread(file.fd, copy.bytes.data() + done, want - done,
                                static_cast<off_t>(at + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        copy.bytes.resize(done);
        if (held_ + done > memoryLimit.load()) {
            if (!scratch_)
                scratch_.emplace(dir_);
            copy.length = done;
            copy.scratchAt = scratch_->append(copy.bytes.data(), done);
            std::string().swap(copy.bytes);
        } else {
            held_ += done;
        }
        file.saved.push_back(std::move(copy));
        if (done < want)
            break; // the file ends here
        at += want;
    }
    // Merge [from, to) into the kept ranges.
    std::uint64_t start = from, end = to;
    auto it = file.kept.upper_bound(from);
    if (it != file.kept.begin() && std::prev(it)->second >= from)
        --it;
    while (it != file.kept.end() && it->first <= end) {
        start = std::min(start, it->first);
        end = std::max(end, it->second);
        it = file.kept.erase(it);
    }
    file.kept.emplace(start, end);
}

void UndoJournal::beforeWrite(int fd, std::uint64_t offset, std::size_t size) {
    File& file = fileOf(fd);
    keep(file, offset, offset + size);
}

void UndoJournal::beforeTruncate(int fd, std::uint64_t size) {
    File& file = fileOf(fd);
    keep(file, size, file.size);
}

void UndoJournal::beforeReplace(const std::filesystem::path& target) {
    Replaced entry{target, {}};
    std::error_code ec;
    if (std::filesystem::exists(target, ec)) {
        entry.kept = target.parent_path() / ("." + target.filename().string() + ".old");
        std::filesystem::remove(entry.kept, ec);
        if (::link(target.c_str(), entry.kept.c_str()) != 0)
            fail(target.string(), "keep");
    }
    replaced_.push_back(std::move(entry));
}

void UndoJournal::commit() {
    std::error_code ec;
    for (const Replaced& entry : replaced_)
        if (!entry.kept.empty())
            std::filesystem::remove(entry.kept, ec);
    replaced_.clear();
}

void UndoJournal::putBack(const File& file) const {
    std::string spilled;
    for (auto it = file.saved.rbegin(); it != file.saved.rend(); ++it) {
        const std::string* bytes = &it->bytes;
        if (it->length > 0) {
            spilled.resize(static_cast<std::size_t>(it->length));
            scratch_->read(it->scratchAt, spilled.data(), spilled.size());
            bytes = &spilled;
        }
        std::size_t done = 0;
        while (done < bytes->size()) {
            ssize_t n = ::pwrite(file.fd, bytes->data() + done, bytes->size() - done,
                                 static_cast<off_t>(it->offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                fail(file.name, "write");
            done += static_cast<std::size_t>(n);
        }
    }
    if (::ftruncate(file.fd, static_cast<off_t>(file.size)) != 0)
        fail(file.name, "truncate");
}

void UndoJournal::rollback() {
    // A file that cannot go back does not keep the others from going back.
    std::string failures;
    auto attempt = [&](const std::string& name, const auto& putBackFile) {
        try {
            faults::beforePutBack(name);
            putBackFile();
        } catch (const EngineError& e) {
            failures += (failures.empty() ? "" : "; ") + std::string(e.what());
        }
    };
    for (auto it = replaced_.rbegin(); it != replaced_.rend(); ++it) {
        if (it->kept.empty()) {
            std::error_code ec;
            std::filesystem::remove(it->target, ec);
            continue;
        }
        attempt(it->target.string(), [&] {
            if (::rename(it->kept.c_str(), it->target.c_str()) != 0)
                fail(it->target.string(), "put back");
        });
    }
    replaced_.clear();
    for (auto& entry : files_) {
        auto& file = entry.second;
        attempt(file.name, [&] { putBack(file); });
        file.saved.clear();
        file.kept.clear();
    }
    if (!failures.empty())
        throw EngineError(code::IoError, failures);
}

void UndoJournal::setMemoryLimit(std::size_t bytes) {
    memoryLimit.store(bytes == 0 ? kDefaultMemory : bytes);
}

void UndoJournal::sync() {
    for (auto& [id, file] : files_) {
        faults::beforeFileOperation(file.name);
        if (::fdatasync(file.fd) != 0)
            throw EngineError(code::IoError,
                              "Cannot flush " + file.name + " to disk: " + std::strerror(errno));
    }
}

} // namespace engine
