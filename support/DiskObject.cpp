// CDiskObject: existence tests, folder trees, copies and sorted listings.
//
// Relative paths are made absolute against the process's current directory,
// but nothing here changes that directory: existence tests and folder
// creation query the file system directly (attributes of the path), so the
// current directory is the same after every call, whatever path it fails on.
//
// Long paths: a path whose absolute form does not fit the platform's path
// limit (MAX_PATH characters with the terminator) is refused with the
// internal-error text before any file-system call. Paths are split and joined
// as strings of any length, so nothing can overflow on the way there.
#include "support/DiskObject.h"

#include "support/Handle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

const wchar_t kInternalError[] = L"CDiskObject internal error - check call parameters";

// A path split the way the platform's path splitter does it: drive ("C:"),
// folder part (up to and including the last backslash), file name and
// extension (from the last dot of the final name).
struct PathParts {
    std::wstring drive;
    std::wstring folder;
    std::wstring name;
    std::wstring extension;
};

PathParts SplitPath(const std::wstring& path) {
    PathParts parts;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == L':') {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    const size_t lastSlash = path.find_last_of(L"\\/");
    size_t nameStart = start;
    if (lastSlash != std::wstring::npos && lastSlash >= start) {
        parts.folder = path.substr(start, lastSlash + 1 - start);
        nameStart = lastSlash + 1;
    }
    const std::wstring last = path.substr(nameStart);
    const size_t dot = last.find_last_of(L'.');
    if (dot == std::wstring::npos) {
        parts.name = last;
    } else {
        parts.name = last.substr(0, dot);
        parts.extension = last.substr(dot);
    }
    return parts;
}

void ToBackslashes(std::wstring& path) {
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
}

// Joins a folder and a relative rest with exactly one backslash between them.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& rest) {
    if (folder.empty()) return rest;
    if (folder.back() == L'\\') return folder + rest;
    return folder + L"\\" + rest;
}

// The length of the root of an absolute path: "C:\" gives 3, "\\server\share\"
// the length up to and including the share's backslash (or the whole text).
size_t RootLength(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') {
        return (path.size() >= 3 && path[2] == L'\\') ? 3 : 2;
    }
    if (path.compare(0, 2, L"\\\\") == 0) {
        size_t server = path.find(L'\\', 2);
        if (server == std::wstring::npos) return path.size();
        size_t share = path.find(L'\\', server + 1);
        return share == std::wstring::npos ? path.size() : share + 1;
    }
    return 0;
}

// The folder one level up from an absolute folder; the root stays the root.
std::wstring ParentFolder(std::wstring folder) {
    const size_t root = RootLength(folder);
    while (folder.size() > root && folder.back() == L'\\') folder.pop_back();
    const size_t slash = folder.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 <= root) {
        return folder.substr(0, root);
    }
    folder.erase(slash);
    return folder;
}

std::wstring CurrentDirectory() {
    DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return std::wstring();
    std::vector<wchar_t> buffer(needed + 1);
    DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size()) return std::wstring();
    return std::wstring(buffer.data(), length);
}

// Attributes of a path; a trailing backslash (other than a root's) is
// dropped first so that folders and files are asked for the same way.
DWORD AttributesOf(std::wstring path) {
    const size_t root = RootLength(path);
    while (path.size() > root && path.size() > 1 && path.back() == L'\\') path.pop_back();
    return GetFileAttributesW(path.c_str());
}

bool IsFolder(const std::wstring& path, DWORD* error) {
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (error) *error = GetLastError();
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        // What the platform answers when a file is asked to be a folder.
        if (error) *error = ERROR_DIRECTORY;
        return false;
    }
    return true;
}

bool FitsPathLimit(const std::wstring& path) {
    return path.size() < MAX_PATH;
}

}  // namespace

void CDiskObject::ClearError() {
    m_sError.clear();
}

void CDiskObject::SetInternalError() {
    m_sError = kInternalError;
}

void CDiskObject::SetSystemError(unsigned long errorCode, const std::wstring& path) {
    std::wstring message;
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, errorCode, 0x400, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocal owner(buffer);
    if (length != 0 && buffer != nullptr) {
        message.assign(buffer, length);
    }
    const wchar_t* blanks = L" \t\r\n";
    const size_t first = message.find_first_not_of(blanks);
    if (first == std::wstring::npos) {
        message.clear();
    } else {
        message = message.substr(first, message.find_last_not_of(blanks) + 1 - first);
    }
    if (message.empty()) {
        // A code the system has no text for still says what went wrong.
        message = L"Error " + std::to_wstring(errorCode);
    }
    if (!path.empty()) {
        message += L" ";
        message += path;
    }
    m_sError = message;
}

// A part of a path may not hold a drive colon (which would also name an
// alternate data stream), a wildcard, or a NUL that would cut the path short
// in the platform call.
static bool IsValidPathPart(const std::wstring& text) {
    return text.find_first_of(std::wstring(L":*?\0", 4)) == std::wstring::npos;
}

bool CDiskObject::QualifyPath(std::wstring& path) {
    ToBackslashes(path);
    const PathParts parts = SplitPath(path);
    if (!IsValidPathPart(parts.folder) || !IsValidPathPart(parts.name) ||
        !IsValidPathPart(parts.extension)) {
        SetInternalError();
        return false;
    }
    if (parts.drive.empty() && parts.folder.compare(0, 2, L"\\\\") != 0) {
        const std::wstring current = CurrentDirectory();
        if (current.empty()) {
            SetInternalError();
            return false;
        }
        if (parts.folder.compare(0, 3, L"..\\") == 0) {
            // Each leading "..\" climbs one level from the current directory.
            std::wstring base = current;
            std::wstring rest = path;
            while (rest.compare(0, 3, L"..\\") == 0) {
                base = ParentFolder(base);
                rest.erase(0, 3);
            }
            path = JoinPath(base, rest);
        } else if (!parts.folder.empty() && parts.folder[0] == L'\\') {
            // Rooted: on the drive (or share) of the current directory.
            std::wstring root = current.substr(0, RootLength(current));
            while (!root.empty() && root.back() == L'\\') root.pop_back();
            path = root + path;
        } else {
            path = JoinPath(current, path);
        }
    }
    if (!FitsPathLimit(path)) {
        SetInternalError();
        return false;
    }
    return true;
}

bool CDiskObject::QualifyDirectory(std::wstring& path) {
    ToBackslashes(path);
    if (!path.empty() && path.back() != L'\\') {
        path += L'\\';
    }
    if (path.compare(0, 2, L"\\\\") == 0) {
        // UNC folders are absolute already; they get the same checks.
        if (!IsValidPathPart(path) || !FitsPathLimit(path)) {
            SetInternalError();
            return false;
        }
        return true;
    }
    return QualifyPath(path);
}

bool CDiskObject::FileExists(const std::wstring& file) {
    ClearError();
    if (file.empty()) {
        SetInternalError();
        return false;
    }
    std::wstring path = file;
    if (!QualifyPath(path)) {
        return false;
    }
    const UniqueFile handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return handle.IsValid();
}

bool CDiskObject::DirectoryExists(const std::wstring& folder) {
    ClearError();
    if (folder.empty()) {
        SetInternalError();
        return false;
    }
    std::wstring path = folder;
    if (!QualifyDirectory(path)) {
        return false;
    }
    return IsFolder(path, nullptr);
}

bool CDiskObject::CreateDirectoryTree(const std::wstring& folder) {
    ClearError();
    if (folder.empty()) {
        SetInternalError();
        return false;
    }
    std::wstring full = folder;
    if (!QualifyDirectory(full)) {
        return false;
    }

    // The prefix that is never created: a drive, or "\\server" of a UNC path.
    std::wstring prefix;
    std::wstring rest;
    if (full.compare(0, 2, L"\\\\") == 0) {
        const size_t server = full.find(L'\\', 2);
        prefix = full.substr(0, server);
        rest = server == std::wstring::npos ? std::wstring() : full.substr(server + 1);
    } else {
        const PathParts parts = SplitPath(full);
        prefix = parts.drive;
        rest = parts.folder;
    }

    // Each level in turn; one that exists already simply fails to be made.
    std::wstring level = prefix;
    size_t pos = 0;
    while (pos < rest.size()) {
        size_t end = rest.find(L'\\', pos);
        if (end == std::wstring::npos) end = rest.size();
        if (end > pos) {
            level += L"\\";
            level.append(rest, pos, end - pos);
            if (!IsFolder(level, nullptr)) {
                CreateDirectoryW(level.c_str(), nullptr);
            }
        }
        pos = end + 1;
    }

    DWORD error = ERROR_SUCCESS;
    if (!IsFolder(full, &error)) {
        SetSystemError(error, full);
        return false;
    }
    return true;
}

bool CDiskObject::CopyFileTo(const std::wstring& source, const std::wstring& targetFolder,
                             const std::wstring& targetName) {
    ClearError();
    if (source.empty()) {
        SetInternalError();
        return false;
    }
    std::wstring from = source;
    std::wstring folder = targetFolder;
    if (!QualifyPath(from) || !QualifyDirectory(folder)) {
        return false;
    }
    // The name must stay a name: no folder part, no stream, no wildcard.
    const std::wstring target = folder + targetName;
    if (targetName.empty() || targetName.find_first_of(L"\\/") != std::wstring::npos ||
        !IsValidPathPart(targetName) || !FitsPathLimit(target)) {
        SetInternalError();
        return false;
    }
    if (!FileExists(from)) {
        return false;
    }
    if (!CreateDirectoryTree(folder)) {
        return false;
    }
    if (!CopyFileW(from.c_str(), target.c_str(), FALSE)) {
        SetSystemError(GetLastError(), from);
        return false;
    }
    return true;
}

bool CDiskObject::EnumerateFiles(const std::wstring& pattern, const std::wstring& folder,
                                 std::vector<std::wstring>& list, int mode) {
    ClearError();
    std::wstring qualified = folder;
    bool result = QualifyDirectory(qualified);
    if (!result || !IsFolder(qualified, nullptr)) {
        return result;  // a missing folder lists nothing and is no failure
    }

    const std::wstring search = qualified + pattern;
    WIN32_FIND_DATAW entry;
    const UniqueFind find(FindFirstFileW(search.c_str(), &entry));
    if (!find) {
        const DWORD error = GetLastError();
        // No match in an existing folder is an empty listing, not a failure.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
            return true;
        }
        SetSystemError(error, search);
        return false;
    }
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        std::wstring name = entry.cFileName;
        if (mode == 1) {
            name = qualified + name;
        }
        // Before the first greater element: ascending, equal names keep
        // their arrival order. std::wstring compares code units ordinally.
        auto at = list.begin();
        while (at != list.end() && !(name < *at)) ++at;
        list.insert(at, name);
    } while (FindNextFileW(find.Get(), &entry));
    return true;
}
