#include "run_folder.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <stdexcept>

#include "utf8.h"

namespace tarnwick::testing {
namespace {

constexpr char kBaitContent[] = "Placed here by tarnwick-selftest; a program under test must leave it alone.\r\n";

constexpr wchar_t kRootPrefix[] = L"tarnwick-selftest-";

std::wstring temporary_folder() {
    wchar_t temporary[MAX_PATH + 1]{};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("Windows names no temporary folder for the run folders");
    return std::wstring(temporary, length);
}

// The self-test's own folder under the user's temporary folder.
std::wstring runs_root() { return temporary_folder() + kRootPrefix + std::to_wstring(GetCurrentProcessId()); }

void remove_tree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

void place_bait(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool placed = file != INVALID_HANDLE_VALUE &&
                        WriteFile(file, kBaitContent, sizeof kBaitContent - 1, &written, nullptr) &&
                        written == sizeof kBaitContent - 1;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!placed)
        throw std::runtime_error("could not place " + to_utf8(path) + " (error " + std::to_string(GetLastError()) + ")");
}

// Removes what self-tests that were ended half-way left: the folders of
// processes that no longer run, and one of an earlier process with this
// process's ID.
void remove_leftovers() {
    const std::wstring temporary = temporary_folder();
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((temporary + kRootPrefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        const DWORD id = static_cast<DWORD>(std::wcstoul(name.c_str() + std::size(kRootPrefix) - 1, nullptr, 10));
        const HANDLE process = id == GetCurrentProcessId() ? nullptr : OpenProcess(SYNCHRONIZE, FALSE, id);
        const bool running = process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
        if (process != nullptr) CloseHandle(process);
        if (!running) remove_tree(temporary + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::string names_of(const std::vector<std::wstring>& names) {
    std::string said;
    for (const std::wstring& name : names) said += (said.empty() ? "" : ", ") + to_utf8(name);
    return said;
}

}  // namespace

const std::vector<std::wstring>& bait_files() {
    static const std::vector<std::wstring> files{L"bait-a.txt", L"bait-b.txt", L"notes.log"};
    return files;
}

const std::vector<std::wstring>& wildcards_matching_bait() {
    static const std::vector<std::wstring> wildcards{L"*", L"*.txt", L"bait-?.txt", L"b*", L"*.log", L"?otes.*",
                                                     L"*a*"};
    return wildcards;
}

FolderListing list_folder(const std::wstring& folder) {
    FolderListing listing;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return listing;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const ULONGLONG size = isFolder ? 0 : (ULONGLONG{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
        const ULONGLONG written =
            isFolder ? 0 : (ULONGLONG{found.ftLastWriteTime.dwHighDateTime} << 32) | found.ftLastWriteTime.dwLowDateTime;
        listing.push_back({name, isFolder, size, written});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(listing.begin(), listing.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return listing;
}

std::string changes_between(const FolderListing& before, const FolderListing& after) {
    std::vector<std::wstring> added, removed, changed;
    const auto named = [](const FolderListing& listing, const std::wstring& name) {
        return std::find_if(listing.begin(), listing.end(), [&](const FolderEntry& e) { return e.name == name; });
    };
    for (const FolderEntry& entry : after) {
        const auto earlier = named(before, entry.name);
        if (earlier == before.end()) {
            added.push_back(entry.name);
        } else if (!(*earlier == entry)) {
            changed.push_back(entry.name);
        }
    }
    for (const FolderEntry& entry : before)
        if (named(after, entry.name) == after.end()) removed.push_back(entry.name);
    std::string said;
    for (const auto& [what, names] : {std::pair{"added ", &added}, {"removed ", &removed}, {"changed ", &changed}})
        if (!names->empty()) said += (said.empty() ? "" : "; ") + std::string(what) + names_of(*names);
    return said;
}

RunFolder::RunFolder() {
    static int made = 0;
    if (made == 0) remove_leftovers();
    const std::wstring root = runs_root();
    CreateDirectoryW(root.c_str(), nullptr);
    path_ = root + L"\\run-" + std::to_wstring(++made);
    if (!CreateDirectoryW(path_.c_str(), nullptr))
        throw std::runtime_error("could not make the run folder " + to_utf8(path_) + " (error " +
                                 std::to_string(GetLastError()) + ")");
    try {
        for (const std::wstring& name : bait_files()) place_bait(path_ + L"\\" + name);
    } catch (...) {
        remove_tree(path_);
        throw;
    }
    placed_ = list_folder(path_);
}

RunFolder::~RunFolder() {
    remove_tree(path_);
    RemoveDirectoryW(runs_root().c_str());  // once the last run folder is gone
}

}  // namespace tarnwick::testing
