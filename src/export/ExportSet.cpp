#include "export/ExportSet.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace barquill {

namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& text) {
    return "“" + text + "”";
}

std::string folderName(const fs::path& folder) {
    fs::path p = folder;
    while (p.has_relative_path() && p.filename().empty())
        p = p.parent_path();
    return p.filename().empty() ? p.string() : p.filename().string();
}

} // namespace

ExportSet::ExportSet(fs::path folder) : folder_(std::move(folder)) {
    std::string pattern = (folder_ / ".barquill-set-XXXXXX").string();
    if (mkdtemp(pattern.data())) {
        staging_ = pattern;
        return;
    }
    const int err = errno;
    staging_ = folder_ / ".barquill-set-missing";
    error_ = "Could not write in " + quoted(folderName(folder_)) + ": " +
             std::generic_category().message(err) + ".";
}

ExportSet::~ExportSet() {
    removeStaging();
}

fs::path ExportSet::stagedPath(const std::string& name) {
    names_.push_back(name);
    return staging_ / name;
}

void ExportSet::removeStaging() {
    if (error_ && !fs::exists(staging_)) return;
    std::error_code ec;
    fs::remove_all(staging_, ec);
}

std::optional<std::string> ExportSet::commit() {
    if (error_) return error_;
    if (committed_) return std::nullopt;
    // Earlier files of the same names wait in the staging folder until every new file is in place.
    const fs::path previous = staging_ / ".previous";
    std::error_code ec;
    fs::create_directory(previous, ec);
    struct Moved {
        std::string name;
        bool hadPrevious;
    };
    std::vector<Moved> moved;
    std::optional<std::string> failure;
    for (const std::string& name : names_) {
        const fs::path target = folder_ / name;
        // A folder of that name is never moved aside: the move below then fails and undoes the set.
        const bool hadPrevious = !ec && !fs::is_directory(fs::symlink_status(target)) &&
                                 std::rename(target.c_str(), (previous / name).c_str()) == 0;
        if (std::rename((staging_ / name).c_str(), target.c_str()) != 0) {
            failure = "Could not save " + quoted(name) + " in " + quoted(folderName(folder_)) + ": " +
                      std::generic_category().message(errno) + ".";
            if (hadPrevious) std::rename((previous / name).c_str(), target.c_str());
            break;
        }
        moved.push_back({name, hadPrevious});
    }
    if (failure) {
        // Undo in reverse: the destination ends as it was before the set.
        for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
            const fs::path target = folder_ / it->name;
            unlink(target.c_str());
            if (it->hadPrevious) std::rename((previous / it->name).c_str(), target.c_str());
        }
        return failure;
    }
    committed_ = true;
    return std::nullopt;
}

std::optional<std::string> ExportSet::writeFile(const fs::path& path, const std::string& bytes) {
    const std::string name = path.filename().string();
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return "Could not create " + quoted(name) + ": " + std::generic_category().message(errno) + ".";
    size_t done = 0;
    int err = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0) return std::nullopt;
    return "Could not write " + quoted(name) + ": " + std::generic_category().message(err) + ".";
}

std::string ExportSet::failureMessage(const std::string& prefix, const std::string& reason) {
    return prefix + ": " + reason + " Nothing was written.";
}

} // namespace barquill
