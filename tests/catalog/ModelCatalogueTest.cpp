// The catalogue's file side under Wine: reading INF files in every encoding,
// and building the catalogue from a scratch folder.
#include "catalog/ModelCatalogue.h"

#include "tests/catalog/InfSamples.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

// A scratch folder under %TEMP%, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"qv_catalog_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~ScratchFolder() { Remove(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

    void Write(const std::wstring& name, const Bytes& bytes) const
    {
        HANDLE h = CreateFileW((*this / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << "error " << GetLastError();
        DWORD written = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
        ASSERT_EQ(bytes.size(), written);
    }

private:
    static void Remove(const std::wstring& folder)
    {
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(folder + L"\\" + name);
                else
                    DeleteFileW((folder + L"\\" + name).c_str());
            } while (FindNextFileW(find, &entry));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring m_path;
};

Bytes Utf16(const std::wstring& text, bool bigEndian)
{
    Bytes b = {static_cast<unsigned char>(bigEndian ? 0xFE : 0xFF), static_cast<unsigned char>(bigEndian ? 0xFF : 0xFE)};
    for (wchar_t c : text) {
        unsigned u = c;
        b.push_back(static_cast<unsigned char>(bigEndian ? u >> 8 : u & 0xFF));
        b.push_back(static_cast<unsigned char>(bigEndian ? u & 0xFF : u >> 8));
    }
    return b;
}

Bytes Utf8WithMark(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], size, nullptr, nullptr);
    Bytes b(3 + utf8.size());
    b[0] = 0xEF;
    b[1] = 0xBB;
    b[2] = 0xBF;
    for (size_t i = 0; i < utf8.size(); ++i)
        b[3 + i] = static_cast<unsigned char>(utf8[i]);
    return b;
}

Bytes Latin1(const std::wstring& text)
{
    return Bytes(text.begin(), text.end());
}

}  // namespace

TEST(ReadInfText, FourEncodingsGiveTheSameText)
{
    // An e acute: 0xE9 in the Western code page of the en_US keyboard layout.
    const std::wstring text = L"[Version]\r\nProvider=Caf\x00E9\r\nSecurityID=00\r\n";
    ScratchFolder folder;
    folder.Write(L"le.inf", Utf16(text, false));
    folder.Write(L"be.inf", Utf16(text, true));
    folder.Write(L"u8.inf", Utf8WithMark(text));
    folder.Write(L"ansi.inf", Latin1(text));
    for (const wchar_t* name : {L"le.inf", L"be.inf", L"u8.inf", L"ansi.inf"}) {
        std::wstring read = L"stale";
        EXPECT_TRUE(ReadInfText(folder / name, read)) << name;
        EXPECT_EQ(text, read) << name;
    }
    std::wstring read;
    folder.Write(L"empty.inf", Bytes());
    EXPECT_TRUE(ReadInfText(folder / L"empty.inf", read));
    EXPECT_EQ(L"", read);
}

TEST(ReadInfText, MissingOrLockedFileIsReportedNotRead)
{
    ScratchFolder folder;
    std::wstring read = L"stale";
    EXPECT_FALSE(ReadInfText(folder / L"missing.inf", read));
    EXPECT_EQ(L"", read);

    folder.Write(L"locked.inf", Latin1(L"[Version]\r\n"));
    HANDLE lock = CreateFileW((folder / L"locked.inf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    EXPECT_FALSE(ReadInfText(folder / L"locked.inf", read));
    CloseHandle(lock);
    EXPECT_TRUE(ReadInfText(folder / L"locked.inf", read));
    EXPECT_EQ(L"[Version]\r\n", read);
}

TEST(BuildModelCatalogue, ListsAcceptedFilesInDescendingOrder)
{
    ScratchFolder folder;
    folder.Write(L"a1.inf", Utf16(SampleInf(L"USBPRINT\\QuorvexA11111", L"LPTENUM\\QuorvexA12222",
                                            SecurityIdFor(L"1", L"1111")), false));
    folder.Write(L"B2.INF", Utf8WithMark(SampleInf(L"", L"LPTENUM\\MakerB23333", SecurityIdFor(L"2", L"FFFF"))));
    folder.Write(L"c3.inf", Latin1(SampleInf(L"USBPRINT\\MakerC34444", L"", SecurityIdFor(L"3", L"0000"))));
    folder.Write(L"d4.inf", Latin1(SampleInf(L"USBPRINT\\MakerD45555", L"", SecurityIdFor(L"4", L"5555"))));
    folder.Write(L"notes.txt", Latin1(SampleInf(L"USBPRINT\\MakerNOTES", L"", SecurityIdFor(L"", L"OTES"))));
    // Authentic, but its UTF-8 holds an overlong form (in the comment line):
    // refused as a whole, like a file that cannot be read.
    Bytes illFormed = Utf8WithMark(SampleInf(L"USBPRINT\\MakerF66666", L"", SecurityIdFor(L"6", L"6666")));
    const Bytes overlong = {0xC0, 0xA2};
    illFormed.insert(illFormed.begin() + 5, overlong.begin(), overlong.end());
    folder.Write(L"f6.inf", illFormed);
    CreateDirectoryW((folder / L"e5.inf").c_str(), nullptr);

    // d4.inf would be accepted, but cannot be read while someone holds it
    // without sharing. a1.inf, open for writing in an editor that lets
    // others read, is read like any other.
    HANDLE lock = CreateFileW((folder / L"d4.inf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    HANDLE editor = CreateFileW((folder / L"a1.inf").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, editor);
    ModelCatalogue catalogue = BuildModelCatalogue(folder.Path());
    CloseHandle(editor);
    CloseHandle(lock);

    ASSERT_EQ(2u, catalogue.size());
    EXPECT_EQ(L"Maker B2", catalogue[0].displayName);
    EXPECT_EQ(L"B2", catalogue[0].infBaseName);
    EXPECT_EQ(L"FFFF", catalogue[0].usbIdSuffix);
    EXPECT_EQ(L"3333", catalogue[0].lptIdSuffix);
    const PrinterModel& a1 = catalogue[1];
    EXPECT_EQ(L"Quorvex", a1.manufacturer);
    EXPECT_EQ(L"A", a1.namePrefix);
    EXPECT_EQ(L"1", a1.nameNumber);
    EXPECT_EQ(L"A1", a1.infBaseName);
    EXPECT_EQ(L"Quorvex A1", a1.driverName);
    EXPECT_EQ(L"1111", a1.usbIdSuffix);
    EXPECT_EQ(L"2222", a1.lptIdSuffix);

    // Unlocked, d4 joins at the front; f6 never does; a missing folder gives
    // nothing.
    catalogue = BuildModelCatalogue(folder.Path());
    ASSERT_EQ(3u, catalogue.size());
    EXPECT_EQ(L"Maker D4", catalogue[0].displayName);
    std::wstring read = L"stale";
    EXPECT_FALSE(ReadInfText(folder / L"f6.inf", read));
    EXPECT_EQ(L"", read);
    EXPECT_TRUE(BuildModelCatalogue(folder / L"nothing-here").empty());
}

TEST(GetProgramFolder, HoldsThisProgram)
{
    std::wstring folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(L'\\', folder.back());
    DWORD attributes = GetFileAttributesW((folder + L"\\catalog_wine_tests.exe").c_str());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);
}
