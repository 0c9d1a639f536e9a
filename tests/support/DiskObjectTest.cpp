// CDiskObject on real folders of a Wine prefix, below C:\QvDiskTest (created
// and removed by the tests). Every test starts in a known current directory
// and checks at its end that no operation moved it.
#include "support/DiskObject.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kRoot = L"C:\\QvDiskTest";
const std::wstring kInternal = L"CDiskObject internal error - check call parameters";

std::wstring Cwd() {
    wchar_t buffer[MAX_PATH * 2] = {};
    GetCurrentDirectoryW(MAX_PATH * 2, buffer);
    return buffer;
}

// The system's message for a code, trimmed: what the error texts begin with.
std::wstring SystemText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0x400, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && iswspace(text.back())) text.pop_back();
    while (!text.empty() && iswspace(text.front())) text.erase(0, 1);
    return text;
}

void WriteFile(const std::wstring& path, const std::string& content) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << "cannot write test file";
    DWORD written = 0;
    ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
}

std::string ReadFile(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[256];
    DWORD n = 0;
    ::ReadFile(h, buffer, sizeof(buffer), &n, nullptr);
    CloseHandle(h);
    return std::string(buffer, n);
}

bool IsDir(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

class DiskObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = Cwd();
        RemoveTree(kRoot);
        ASSERT_TRUE(CreateDirectoryW(kRoot.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW((kRoot + L"\\a").c_str(), nullptr));
        // A current directory two levels down, so relative and "..\" paths
        // have somewhere to go.
        ASSERT_TRUE(CreateDirectoryW((kRoot + L"\\a\\b").c_str(), nullptr));
        m_start = kRoot + L"\\a\\b";
        ASSERT_TRUE(SetCurrentDirectoryW(m_start.c_str()));
    }
    void TearDown() override {
        EXPECT_EQ(m_start, Cwd()) << "an operation left the current directory moved";
        SetCurrentDirectoryW(m_saved.c_str());
        RemoveTree(kRoot);
    }

    CDiskObject m_disk;
    std::wstring m_saved;
    std::wstring m_start;
};

TEST_F(DiskObjectTest, CreatesATreeLevelByLevel) {
    const std::wstring deep = kRoot + L"\\a\\x\\y\\z";
    EXPECT_TRUE(m_disk.CreateDirectoryTree(deep));
    EXPECT_EQ(L"", m_disk.GetErrorMessage());
    EXPECT_TRUE(IsDir(kRoot + L"\\a\\x"));
    EXPECT_TRUE(IsDir(kRoot + L"\\a\\x\\y"));
    EXPECT_TRUE(IsDir(deep));
    EXPECT_EQ(m_start, Cwd());

    // An existing tree: true, and what it holds stays.
    WriteFile(deep + L"\\keep.txt", "kept");
    EXPECT_TRUE(m_disk.CreateDirectoryTree(deep + L"\\"));
    EXPECT_EQ("kept", ReadFile(deep + L"\\keep.txt"));

    // Forward slashes and a relative path give the same folders.
    EXPECT_TRUE(m_disk.CreateDirectoryTree(L"C:/QvDiskTest/fwd/one"));
    EXPECT_TRUE(IsDir(kRoot + L"\\fwd\\one"));
    EXPECT_TRUE(m_disk.CreateDirectoryTree(L"rel/two"));
    EXPECT_TRUE(IsDir(m_start + L"\\rel\\two"));
    EXPECT_TRUE(m_disk.CreateDirectoryTree(L"..\\up"));
    EXPECT_TRUE(IsDir(kRoot + L"\\a\\up"));
    EXPECT_TRUE(m_disk.CreateDirectoryTree(L"\\QvDiskTest\\rooted"));
    EXPECT_TRUE(IsDir(kRoot + L"\\rooted"));
    EXPECT_TRUE(m_disk.DirectoryExists(L"C:/QvDiskTest/fwd/one"));
}

TEST_F(DiskObjectTest, FolderBelowAFileReportsTheSystemMessageAndTheFolder) {
    WriteFile(kRoot + L"\\file", "data");
    EXPECT_FALSE(m_disk.CreateDirectoryTree(kRoot + L"\\file\\sub"));
    const std::wstring folder = kRoot + L"\\file\\sub\\";
    const std::wstring& text = m_disk.GetErrorMessage();
    // The platform may call it a missing path or an invalid folder name.
    EXPECT_TRUE(text == SystemText(ERROR_PATH_NOT_FOUND) + L" " + folder ||
                text == SystemText(ERROR_DIRECTORY) + L" " + folder ||
                text == SystemText(ERROR_FILE_NOT_FOUND) + L" " + folder)
        << "got: " << std::string(text.begin(), text.end());
    EXPECT_EQ("data", ReadFile(kRoot + L"\\file"));

    // The file itself asked to be a folder: "The directory name is invalid."
    EXPECT_FALSE(m_disk.CreateDirectoryTree(kRoot + L"\\file"));
    EXPECT_EQ(SystemText(ERROR_DIRECTORY) + L" " + kRoot + L"\\file\\", m_disk.GetErrorMessage());
    EXPECT_FALSE(SystemText(ERROR_DIRECTORY).empty());

    // A success afterwards clears the text.
    EXPECT_TRUE(m_disk.CreateDirectoryTree(kRoot + L"\\fine"));
    EXPECT_EQ(L"", m_disk.GetErrorMessage());
}

TEST_F(DiskObjectTest, ExistenceTests) {
    WriteFile(kRoot + L"\\a\\in-a.txt", "x");
    WriteFile(kRoot + L"\\top.txt", "x");
    WriteFile(m_start + L"\\here.txt", "x");

    EXPECT_TRUE(m_disk.FileExists(kRoot + L"\\top.txt"));
    EXPECT_TRUE(m_disk.FileExists(L"C:/QvDiskTest/top.txt"));
    EXPECT_TRUE(m_disk.FileExists(L"here.txt"));
    EXPECT_TRUE(m_disk.FileExists(L"..\\in-a.txt"));
    EXPECT_TRUE(m_disk.FileExists(L"../../top.txt"));
    EXPECT_TRUE(m_disk.FileExists(L"\\QvDiskTest\\top.txt"));
    EXPECT_EQ(m_start, Cwd());

    EXPECT_FALSE(m_disk.FileExists(kRoot + L"\\none.txt"));
    EXPECT_EQ(L"", m_disk.GetErrorMessage());
    EXPECT_FALSE(m_disk.FileExists(kRoot + L"\\a"));  // a folder is no file
    EXPECT_EQ(L"", m_disk.GetErrorMessage());

    EXPECT_TRUE(m_disk.DirectoryExists(kRoot + L"\\a"));
    EXPECT_TRUE(m_disk.DirectoryExists(L".."));
    EXPECT_TRUE(m_disk.DirectoryExists(L"C:\\"));
    EXPECT_FALSE(m_disk.DirectoryExists(kRoot + L"\\top.txt"));
    EXPECT_FALSE(m_disk.DirectoryExists(kRoot + L"\\missing"));
    EXPECT_EQ(L"", m_disk.GetErrorMessage());

    // Climbing above the root stays at the root.
    SetCurrentDirectoryW(L"C:\\");
    EXPECT_TRUE(m_disk.FileExists(L"..\\..\\QvDiskTest\\top.txt"));
    EXPECT_EQ(L"C:\\", Cwd());
    SetCurrentDirectoryW(m_start.c_str());
}

TEST_F(DiskObjectTest, InvalidPartsAreRefused) {
    const std::wstring bad[] = {
        kRoot + L"\\*.inf", kRoot + L"\\file?.txt", kRoot + L"\\a*\\x.txt",
        kRoot + L"\\file.txt:stream", L"sub\\x:y", std::wstring(L"C:\\a\0b.txt", 10),
    };
    for (const std::wstring& path : bad) {
        EXPECT_FALSE(m_disk.FileExists(path));
        EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
        EXPECT_FALSE(m_disk.DirectoryExists(path));
        EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
        EXPECT_FALSE(m_disk.CreateDirectoryTree(path));
        EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
    }
    EXPECT_FALSE(IsDir(L"C:\\a"));
    for (auto call : {0, 1, 2}) {
        bool ok = call == 0 ? m_disk.FileExists(L"")
                  : call == 1 ? m_disk.DirectoryExists(L"")
                              : m_disk.CreateDirectoryTree(L"");
        EXPECT_FALSE(ok);
        EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
    }
    WriteFile(kRoot + L"\\src.txt", "x");
    EXPECT_FALSE(m_disk.CopyFileTo(L"", kRoot, L"t.txt"));
    EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
    EXPECT_FALSE(m_disk.CopyFileTo(kRoot + L"\\src.txt", kRoot + L"\\*", L"t.txt"));
    EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
    // The target name cannot lead elsewhere.
    EXPECT_FALSE(m_disk.CopyFileTo(kRoot + L"\\src.txt", kRoot, L"..\\escape.txt"));
    EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
    EXPECT_FALSE(m_disk.CopyFileTo(kRoot + L"\\src.txt", kRoot, L"t.txt:ads"));
    EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
}

TEST_F(DiskObjectTest, PathsBeyondTheLimitAreRefusedCleanly) {
    // 259 characters still fit; 260 and far more do not.
    std::wstring fits = kRoot + L"\\" + std::wstring(259 - kRoot.size() - 1, L'f');
    ASSERT_EQ(259u, fits.size());
    EXPECT_FALSE(m_disk.FileExists(fits));
    EXPECT_EQ(L"", m_disk.GetErrorMessage());

    const std::wstring tooLong = fits + L"g";
    EXPECT_FALSE(m_disk.FileExists(tooLong));
    EXPECT_EQ(kInternal, m_disk.GetErrorMessage());

    const std::wstring huge = kRoot + L"\\" + std::wstring(5000, L'h') + L"\\deeper";
    EXPECT_FALSE(m_disk.CreateDirectoryTree(huge));
    EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
    EXPECT_FALSE(m_disk.DirectoryExists(huge));
    std::vector<std::wstring> list;
    EXPECT_FALSE(m_disk.EnumerateFiles(L"*.inf", huge, list, 0));
    EXPECT_TRUE(list.empty());
    WriteFile(kRoot + L"\\src.txt", "x");
    EXPECT_FALSE(m_disk.CopyFileTo(kRoot + L"\\src.txt", huge, L"t.txt"));
    EXPECT_EQ(kInternal, m_disk.GetErrorMessage());

    // A relative path that only becomes too long once qualified.
    EXPECT_FALSE(m_disk.FileExists(std::wstring(250, L'r')));
    EXPECT_EQ(kInternal, m_disk.GetErrorMessage());
}

TEST_F(DiskObjectTest, CopyFileTo) {
    WriteFile(kRoot + L"\\src.txt", "new content");
    const std::wstring target = kRoot + L"\\out\\deep";
    // The target folder is created.
    EXPECT_TRUE(m_disk.CopyFileTo(kRoot + L"\\src.txt", target, L"dst.txt"));
    EXPECT_EQ("new content", ReadFile(target + L"\\dst.txt"));

    // An existing target is replaced.
    WriteFile(target + L"\\old.txt", "old content that is longer");
    EXPECT_TRUE(m_disk.CopyFileTo(L"C:/QvDiskTest/src.txt", L"C:/QvDiskTest/out/deep/", L"old.txt"));
    EXPECT_EQ("new content", ReadFile(target + L"\\old.txt"));
    EXPECT_EQ(L"", m_disk.GetErrorMessage());

    // Relative source and target.
    WriteFile(m_start + L"\\local.txt", "local");
    EXPECT_TRUE(m_disk.CopyFileTo(L"local.txt", L"..\\copied", L"l.txt"));
    EXPECT_EQ("local", ReadFile(kRoot + L"\\a\\copied\\l.txt"));

    // A missing source: false, no text, nothing created.
    EXPECT_FALSE(m_disk.CopyFileTo(kRoot + L"\\missing.txt", kRoot + L"\\never", L"x.txt"));
    EXPECT_EQ(L"", m_disk.GetErrorMessage());
    EXPECT_FALSE(IsDir(kRoot + L"\\never"));

    // A target that is a folder cannot be replaced: the system's text and
    // the source path.
    CreateDirectoryW((target + L"\\taken").c_str(), nullptr);
    EXPECT_FALSE(m_disk.CopyFileTo(kRoot + L"\\src.txt", target, L"taken"));
    const std::wstring& text = m_disk.GetErrorMessage();
    const std::wstring suffix = L" " + kRoot + L"\\src.txt";
    ASSERT_GT(text.size(), suffix.size());
    EXPECT_EQ(suffix, text.substr(text.size() - suffix.size()));
    EXPECT_NE(kInternal, text);
    EXPECT_NE(L' ', text[0]);
}

TEST_F(DiskObjectTest, EnumerateFilesSortsOrdinallyAndSkipsFolders) {
    const std::wstring folder = kRoot + L"\\list";
    CreateDirectoryW(folder.c_str(), nullptr);
    WriteFile(folder + L"\\b.inf", "x");
    WriteFile(folder + L"\\A.inf", "x");
    WriteFile(folder + L"\\_z.inf", "x");
    WriteFile(folder + L"\\note.txt", "x");
    CreateDirectoryW((folder + L"\\c.inf").c_str(), nullptr);

    std::vector<std::wstring> list;
    EXPECT_TRUE(m_disk.EnumerateFiles(L"*.inf", folder, list, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"A.inf", L"_z.inf", L"b.inf"}), list);

    // The caller's list is kept and merged into; equal names go after.
    list = {L"B.inf", L"b.inf"};
    EXPECT_TRUE(m_disk.EnumerateFiles(L"*.inf", L"C:/QvDiskTest/list", list, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"A.inf", L"B.inf", L"_z.inf", L"b.inf", L"b.inf"}), list);

    // Mode 1: full paths.
    list.clear();
    EXPECT_TRUE(m_disk.EnumerateFiles(L"*.txt", folder, list, 1));
    EXPECT_EQ((std::vector<std::wstring>{folder + L"\\note.txt"}), list);

    // A missing folder, and a folder without a match: true and nothing.
    list.clear();
    EXPECT_TRUE(m_disk.EnumerateFiles(L"*.inf", kRoot + L"\\missing", list, 0));
    EXPECT_TRUE(m_disk.EnumerateFiles(L"*.cat", folder, list, 0));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(L"", m_disk.GetErrorMessage());

    // Relative folder.
    EXPECT_TRUE(m_disk.EnumerateFiles(L"*.inf", L"..\\..\\list", list, 0));
    EXPECT_EQ(3u, list.size());
}

}  // namespace
