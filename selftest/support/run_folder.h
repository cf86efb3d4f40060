// The folders a run is watched in. Each run starts in a folder of its own
// that holds only files the self-test put there, some named so that wildcards
// in a command line match them; a right program leaves it exactly so, and
// leaves its own folder alone too: it writes nothing but the clipboard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarnwick::testing {

// The files every run folder starts with.
const std::vector<std::wstring>& bait_files();

// Wildcards that match some of the bait files (and would, in a program that
// expands them, become their names).
const std::vector<std::wstring>& wildcards_matching_bait();

// One entry of a folder, as far as a user would see a change in it.
struct FolderEntry {
    std::wstring name;
    bool isFolder = false;
    ULONGLONG size = 0;
    ULONGLONG written = 0;  // last write time, for files

    bool operator==(const FolderEntry&) const = default;
};
using FolderListing = std::vector<FolderEntry>;  // sorted by name

// The entries directly in `folder`; empty when it cannot be listed.
FolderListing list_folder(const std::wstring& folder);

// What changed from `before` to `after`, in words ("added tarnwick.log;
// changed bait-a.txt"); empty when nothing did.
std::string changes_between(const FolderListing& before, const FolderListing& after);

// A new folder under the user's temporary folder holding the bait files,
// removed with everything in it when its owner goes. Throws when it cannot
// be made.
class RunFolder {
public:
    RunFolder();
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    const std::wstring& path() const { return path_; }
    // What changed since the bait files were placed; empty when nothing did.
    std::string changes() const { return changes_between(placed_, list_folder(path_)); }

private:
    std::wstring path_;
    FolderListing placed_;
};

}  // namespace tarnwick::testing
