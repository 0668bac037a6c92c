#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace barquill {

// A set of files written all-or-nothing: every file goes into a hidden staging folder beside the
// destination, and only `commit` moves them in. Until then nothing in the destination changes; a
// set that is dropped uncommitted removes its staging folder and leaves no trace.
//
// Threads: any, one at a time. Blocks on file I/O.
class ExportSet {
public:
    // Creates the staging folder inside `folder`; on failure `error()` says why and every path
    // still points into the (missing) staging folder, so writes there fail too.
    explicit ExportSet(std::filesystem::path folder);
    ~ExportSet();
    ExportSet(const ExportSet&) = delete;
    ExportSet& operator=(const ExportSet&) = delete;

    const std::optional<std::string>& error() const { return error_; }
    const std::filesystem::path& folder() const { return folder_; }

    // Where to write the file `name` of the set; records the name for `commit`.
    std::filesystem::path stagedPath(const std::string& name);

    // Moves every staged file over its name in the destination. A file that was there before is
    // replaced; when a move fails, the files already moved are put back as they were. Returns none
    // or the failure's description.
    std::optional<std::string> commit();

    // Writes `bytes` as the whole file at `path`; none or the failure's description.
    static std::optional<std::string> writeFile(const std::filesystem::path& path, const std::string& bytes);

    // "<prefix>: <reason> Nothing was written." — the message for any failure of a set.
    static std::string failureMessage(const std::string& prefix, const std::string& reason);

private:
    void removeStaging();

    std::filesystem::path folder_;
    std::filesystem::path staging_;
    std::vector<std::string> names_;
    std::optional<std::string> error_;
    bool committed_ = false;
};

} // namespace barquill
