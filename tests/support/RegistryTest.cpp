// CRegistry against the real registry of a Wine prefix. Every test works in a
// scratch key below HKEY_LOCAL_MACHINE that it creates and removes.
#include "support/Registry.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

const wchar_t kScratch[] = L"Software\\QuorvexTest\\Registry";
const REGSAM kReadWrite = KEY_READ | KEY_WRITE;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\QuorvexTest");
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kScratch, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &m_scratch, nullptr));
    }
    void TearDown() override {
        RegCloseKey(m_scratch);
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\QuorvexTest");
    }

    static std::wstring Path(const std::wstring& below) {
        return std::wstring(kScratch) + L"\\" + below;
    }
    bool KeyExists(const std::wstring& below) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(m_scratch, below.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }
    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(m_scratch, name, 0, type, static_cast<const BYTE*>(data), bytes));
    }
    // Type and byte size of a value of the scratch key; false when missing.
    bool QueryRaw(const wchar_t* name, DWORD& type, DWORD& bytes) {
        return RegQueryValueExW(m_scratch, name, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS;
    }
    static bool HandleValid(HKEY key) {
        DWORD subkeys = 0;
        return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

    HKEY m_scratch = nullptr;
};

TEST_F(RegistryTest, OpenKeyWithoutCreateFlagLeavesEverythingAsItWas) {
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    const RegStatus missing = reg.OpenKey(Path(L"Missing"), FALSE);
    EXPECT_FALSE(missing);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.Code());
    EXPECT_TRUE(missing.NotFound());
    EXPECT_TRUE(missing.Gone());
    EXPECT_EQ(HKEY_LOCAL_MACHINE, reg.GetKey());
    EXPECT_FALSE(KeyExists(L"Missing"));

    // A flag other than 1 does not create either.
    EXPECT_FALSE(reg.OpenKey(Path(L"Missing"), 2));
    EXPECT_FALSE(KeyExists(L"Missing"));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, reg.GetKey());
}

TEST_F(RegistryTest, OpenKeyWithCreateFlagCreatesAndDescends) {
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(Path(L"New\\Deeper"), TRUE));
    EXPECT_TRUE(KeyExists(L"New\\Deeper"));
    EXPECT_NE(HKEY_LOCAL_MACHINE, reg.GetKey());
    // The new key is current: a value written now lands in it, and later
    // opens are relative to it.
    ASSERT_TRUE(reg.WriteDword(L"Marker", 7));
    HKEY deeper = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(m_scratch, L"New\\Deeper", 0, KEY_READ, &deeper));
    DWORD value = 0, size = sizeof(value);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(deeper, L"Marker", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(&value), &size));
    RegCloseKey(deeper);
    EXPECT_EQ(7u, value);
    ASSERT_TRUE(reg.OpenKey(L"Child", TRUE));
    EXPECT_TRUE(KeyExists(L"New\\Deeper\\Child"));

    // Back to the root, then a full path again.
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(HKEY_LOCAL_MACHINE, reg.GetKey());
    EXPECT_TRUE(reg.OpenKey(Path(L"New"), FALSE));
}

TEST_F(RegistryTest, CurrentKeyUnchangedWhenCreateIsRefused) {
    // A volatile key cannot hold a non-volatile subkey: the open fails, the
    // create fails, and the key stays current and usable.
    HKEY volatileKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_scratch, L"Volatile", 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr));
    RegCloseKey(volatileKey);
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(Path(L"Volatile"), FALSE));
    const HKEY before = reg.GetKey();
    // Refused, which is not "not found": the create's status comes back.
    for (const RegStatus refused : {reg.OpenKey(L"NotAllowed", TRUE), reg.CreateKey(L"NotAllowed"),
                                    reg.OpenSubKey(before, L"NotAllowed", kReadWrite, TRUE)}) {
        EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE, refused.Code());
        EXPECT_FALSE(refused.NotFound());
        EXPECT_FALSE(refused.Gone());
        EXPECT_EQ(before, reg.GetKey());
    }
    EXPECT_FALSE(KeyExists(L"Volatile\\NotAllowed"));
    EXPECT_TRUE(HandleValid(reg.GetKey()));
    EXPECT_TRUE(reg.WriteDword(L"StillUsable", 1));

    // A name longer than the registry allows fails in create as well.
    CRegistry writer(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(writer.OpenKey(kScratch, FALSE));
    const HKEY current = writer.GetKey();
    EXPECT_FALSE(writer.OpenKey(std::wstring(300, L'k'), TRUE));
    EXPECT_EQ(current, writer.GetKey());
    EXPECT_TRUE(HandleValid(writer.GetKey()));
}

TEST_F(RegistryTest, OpenSubKeyBelowABorrowedParentLeavesTheParentOpen) {
    HKEY parent = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kScratch, 0, kReadWrite, &parent));
    {
        CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
        EXPECT_FALSE(reg.OpenSubKey(parent, L"Sub", kReadWrite, FALSE));
        EXPECT_EQ(HKEY_LOCAL_MACHINE, reg.GetKey());
        ASSERT_TRUE(reg.OpenSubKey(parent, L"Sub", kReadWrite, TRUE));
        EXPECT_TRUE(KeyExists(L"Sub"));
        EXPECT_NE(parent, reg.GetKey());
        ASSERT_TRUE(reg.OpenSubKey(reg.GetKey(), L"Inner", kReadWrite, TRUE));
        EXPECT_TRUE(KeyExists(L"Sub\\Inner"));
    }
    // The object closed only what it opened itself.
    EXPECT_TRUE(HandleValid(parent));
    RegCloseKey(parent);
}

TEST_F(RegistryTest, ReplacedAndFinalKeysAreClosed) {
    HKEY created = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_scratch, L"A\\B", 0, nullptr, 0, KEY_READ, nullptr,
                                             &created, nullptr));
    RegCloseKey(created);
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    ASSERT_TRUE(reg.OpenKey(Path(L"A"), FALSE));
    const HKEY first = reg.GetKey();
    ASSERT_TRUE(reg.OpenKey(L"B", FALSE));
    EXPECT_FALSE(HandleValid(first)) << "the replaced key should have been closed";
    const HKEY second = reg.GetKey();
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(HandleValid(second));
    EXPECT_TRUE(HandleValid(HKEY_LOCAL_MACHINE));

    ASSERT_TRUE(reg.OpenKey(Path(L"A"), FALSE));
    const HKEY third = reg.GetKey();
    EXPECT_EQ(ERROR_SUCCESS, reg.CloseKey());
    EXPECT_EQ(nullptr, reg.GetKey());
    EXPECT_FALSE(HandleValid(third));
    EXPECT_EQ(0, reg.CloseKey());
    // With no current key nothing can be opened below it.
    EXPECT_FALSE(reg.OpenKey(L"Software", FALSE));
    EXPECT_EQ(nullptr, reg.GetKey());
}

TEST_F(RegistryTest, ReadDwordKeepsTheDefaultOnEveryFailure) {
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));
    DWORD value = 0xABCD;
    EXPECT_FALSE(reg.ReadDword(L"Missing", value));
    EXPECT_EQ(0xABCDu, value);

    EXPECT_TRUE(reg.ReadDword(L"Missing", value).NotFound());

    // Another size than a number's counts as missing, but says why.
    const unsigned char two[2] = {1, 2};
    SetRaw(L"Short", REG_BINARY, two, sizeof(two));
    EXPECT_EQ(ERROR_INVALID_DATA, reg.ReadDword(L"Short", value).Code());
    EXPECT_EQ(0xABCDu, value);

    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SetRaw(L"Long", REG_BINARY, eight, sizeof(eight));
    EXPECT_EQ(ERROR_MORE_DATA, reg.ReadDword(L"Long", value).Code());
    EXPECT_EQ(0xABCDu, value);

    const DWORD stored = 0x12345678;
    SetRaw(L"Number", REG_DWORD, &stored, sizeof(stored));
    EXPECT_TRUE(reg.ReadDword(L"Number", value));
    EXPECT_EQ(stored, value);
}

TEST_F(RegistryTest, ReadStringLengthLimits) {
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));
    const std::wstring thousand(1000, L'x');
    const std::wstring limit(1022, L'y');  // 2046 bytes with its terminator
    ASSERT_TRUE(reg.WriteString(L"Thousand", thousand));
    ASSERT_TRUE(reg.WriteString(L"Limit", limit));
    ASSERT_TRUE(reg.WriteString(L"OneMore", std::wstring(1023, L'z')));
    ASSERT_TRUE(reg.WriteString(L"Long", std::wstring(1100, L'w')));

    std::wstring text;
    EXPECT_TRUE(reg.ReadString(L"Thousand", text));
    EXPECT_EQ(thousand, text);
    EXPECT_TRUE(reg.ReadString(L"Limit", text));
    EXPECT_EQ(limit, text);

    text = L"default";
    EXPECT_EQ(ERROR_MORE_DATA, reg.ReadString(L"OneMore", text).Code());
    EXPECT_EQ(L"default", text);
    EXPECT_EQ(ERROR_MORE_DATA, reg.ReadString(L"Long", text).Code());
    EXPECT_EQ(L"default", text);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reg.ReadString(L"Missing", text).Code());
    EXPECT_EQ(L"default", text);
}

TEST_F(RegistryTest, ReadStringTakesOnlyTheDataReturned) {
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));
    std::wstring text;

    const wchar_t multi[] = L"first\0second\0";
    SetRaw(L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
    EXPECT_TRUE(reg.ReadString(L"Multi", text));
    EXPECT_EQ(L"first", text);

    // No terminator in the data, and an odd byte count: the half character
    // at the end is dropped.
    const char raw[] = {'a', 0, 'b', 0, 'c', 0, 'd'};
    SetRaw(L"NoNul", REG_BINARY, raw, 6);
    EXPECT_TRUE(reg.ReadString(L"NoNul", text));
    EXPECT_EQ(L"abc", text);
    SetRaw(L"Odd", REG_BINARY, raw, 7);
    EXPECT_TRUE(reg.ReadString(L"Odd", text));
    EXPECT_EQ(L"abc", text);

    // A full buffer without terminator is read to its end and no further.
    const std::wstring full(1023, L'q');
    SetRaw(L"Full", REG_BINARY, full.data(), 2046);
    EXPECT_TRUE(reg.ReadString(L"Full", text));
    EXPECT_EQ(full, text);

    // Empty data gives an empty text.
    SetRaw(L"Empty", REG_BINARY, "", 0);
    text = L"x";
    EXPECT_TRUE(reg.ReadString(L"Empty", text));
    EXPECT_EQ(L"", text);
}

TEST_F(RegistryTest, WriteStringCountsTheTerminator) {
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));
    DWORD type = 0, bytes = 0;

    ASSERT_TRUE(reg.WriteString(L"", L"unnamed"));
    ASSERT_TRUE(QueryRaw(nullptr, type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(16u, bytes);
    std::wstring text;
    EXPECT_TRUE(reg.ReadString(L"", text));
    EXPECT_EQ(L"unnamed", text);

    ASSERT_TRUE(reg.WriteString(L"Blank", L""));
    ASSERT_TRUE(QueryRaw(L"Blank", type, bytes));
    EXPECT_EQ(2u, bytes);
    text = L"x";
    EXPECT_TRUE(reg.ReadString(L"Blank", text));
    EXPECT_EQ(L"", text);

    ASSERT_TRUE(reg.WriteDword(L"Number", 42));
    ASSERT_TRUE(QueryRaw(L"Number", type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(4u, bytes);

    // Writing through a read-only key fails.
    CRegistry reader(HKEY_LOCAL_MACHINE, KEY_READ);
    ASSERT_TRUE(reader.OpenKey(kScratch, FALSE));
    EXPECT_EQ(ERROR_ACCESS_DENIED, reader.WriteString(L"Refused", L"text").Code());
    EXPECT_EQ(ERROR_ACCESS_DENIED, reader.WriteDword(L"Refused", 1).Code());
    EXPECT_FALSE(QueryRaw(L"Refused", type, bytes));
    SetRaw(L"Kept", REG_DWORD, &bytes, sizeof(bytes));
    const RegStatus refused = reader.DeleteValue(L"Kept");
    EXPECT_EQ(ERROR_ACCESS_DENIED, refused.Code());
    EXPECT_FALSE(refused.Gone());
    EXPECT_TRUE(QueryRaw(L"Kept", type, bytes));
}

TEST_F(RegistryTest, CountsAndEnumeratesSubkeysWithinTheArray) {
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));
    EXPECT_EQ(0u, reg.GetSubKeyCount(reg.GetKey()));
    EXPECT_TRUE(reg.ListSubKeys(reg.GetKey()).empty());

    const std::wstring longName(255, L'n');  // the longest name a key may have
    for (const std::wstring& name : {std::wstring(L"One"), std::wstring(L"Two"), longName}) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_scratch, name.c_str(), 0, nullptr, 0, KEY_READ,
                                                 nullptr, &key, nullptr));
        RegCloseKey(key);
    }
    const HKEY current = reg.GetKey();
    EXPECT_EQ(3u, reg.GetSubKeyCount(current));

    std::vector<std::wstring> listed = reg.ListSubKeys(current);
    ASSERT_EQ(3u, listed.size());
    EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), longName));

    // The caller's array: all names fit when sized count + 1.
    std::vector<CRegistry::SubKeyName> names(4);
    for (auto& entry : names) std::fill(std::begin(entry), std::end(entry), L'\0');
    EXPECT_EQ(3u, reg.EnumSubKeys(current, names.data(), 4));
    for (DWORD i = 0; i < 3; ++i) EXPECT_EQ(listed[i], std::wstring(names[i]));
    EXPECT_EQ(L'\0', names[3][0]);

    // A short array is filled to its end and not beyond.
    std::vector<CRegistry::SubKeyName> small(3);
    for (auto& entry : small) std::fill(std::begin(entry), std::end(entry), L'#');
    EXPECT_EQ(2u, reg.EnumSubKeys(current, small.data(), 2));
    EXPECT_EQ(listed[0], std::wstring(small[0]));
    EXPECT_EQ(listed[1], std::wstring(small[1]));
    EXPECT_EQ(L'#', small[2][0]);
    EXPECT_EQ(L'#', small[2][511]);

    // Without an array it only counts; the current key is unchanged.
    EXPECT_EQ(3u, reg.EnumSubKeys(current, nullptr, 0));
    EXPECT_EQ(current, reg.GetKey());
    // An invalid key counts nothing.
    EXPECT_EQ(0u, reg.GetSubKeyCount(nullptr));
}

TEST_F(RegistryTest, DeletionsReportTheSystemsStatusAndKeepTheCurrentKey) {
    // Tree\A\A1, Tree\A\A2\Deep (with a value), Tree\B, and a sibling.
    for (const wchar_t* below : {L"Tree\\A\\A1", L"Tree\\A\\A2\\Deep", L"Tree\\B", L"Sibling"}) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_scratch, below, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        const DWORD one = 1;
        RegSetValueExW(key, L"Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
        RegCloseKey(key);
    }
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));
    const HKEY current = reg.GetKey();
    ASSERT_TRUE(reg.WriteDword(L"Number", 5));

    // Each deletion twice: done, then not found, which is still gone.
    struct Deletion {
        const char* what;
        RegStatus (CRegistry::*call)(const std::wstring&);
        const wchar_t* name;
        bool there;
    };
    const Deletion deletions[] = {
        {"value", &CRegistry::DeleteValue, L"Number", true},
        {"empty key", &CRegistry::DeleteKey, L"Tree\\B", true},
        {"tree", &CRegistry::DeleteTree, L"Tree", true},
        {"key below a gone key", &CRegistry::DeleteKey, L"Tree\\A\\A1", false},
        {"tree below a gone key", &CRegistry::DeleteTree, L"Tree\\A", false},
    };
    for (const Deletion& deletion : deletions) {
        SCOPED_TRACE(deletion.what);
        const RegStatus first = (reg.*deletion.call)(deletion.name);
        EXPECT_EQ(deletion.there, static_cast<bool>(first)) << first.Code();
        const RegStatus again = (reg.*deletion.call)(deletion.name);
        EXPECT_FALSE(again);
        EXPECT_TRUE(again.NotFound()) << again.Code();
        EXPECT_TRUE(again.Gone());
        EXPECT_EQ(current, reg.GetKey());
    }
    EXPECT_FALSE(KeyExists(L"Tree"));
    EXPECT_TRUE(KeyExists(L"Sibling"));
    DWORD type = 0, bytes = 0;
    EXPECT_FALSE(QueryRaw(L"Number", type, bytes));

    // The current key itself is never deleted, and stays usable.
    EXPECT_EQ(ERROR_INVALID_PARAMETER, reg.DeleteKey(L"").Code());
    EXPECT_EQ(ERROR_INVALID_PARAMETER, reg.DeleteTree(L"").Code());
    EXPECT_TRUE(HandleValid(reg.GetKey()));
    EXPECT_TRUE(reg.WriteDword(L"StillHere", 1));
    EXPECT_TRUE(QueryRaw(L"StillHere", type, bytes));

    // A key with subkeys is refused by DeleteKey, and nothing goes.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_scratch, L"Parent\\Child", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    const RegStatus refused = reg.DeleteKey(L"Parent");
    EXPECT_EQ(ERROR_ACCESS_DENIED, refused.Code());
    EXPECT_FALSE(refused.Gone());
    EXPECT_TRUE(KeyExists(L"Parent\\Child"));
    // Opened from the root, a path of several keys deletes its last one.
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(reg.DeleteKey(Path(L"Parent\\Child")));
    EXPECT_TRUE(KeyExists(L"Parent"));
    EXPECT_FALSE(KeyExists(L"Parent\\Child"));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, reg.GetKey());
}

TEST_F(RegistryTest, DeleteTreeWorksInTheViewOfTheObjectsAccess) {
    // The other view: a 32-bit program's is the 64-bit one (under WOW64), a
    // 64-bit program's the 32-bit one. On 32-bit Windows there is one view,
    // and the flag is ignored.
    const REGSAM other = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const std::wstring view = L"Software\\QuorvexTestView";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (view + L"\\A\\B").c_str(), 0, nullptr,
                                             0, KEY_ALL_ACCESS | other, nullptr, &key, nullptr));
    RegCloseKey(key);
    // Whether this system has two views: the other view's key is not in ours.
    const bool twoViews = RegOpenKeyExW(HKEY_LOCAL_MACHINE, (view + L"\\A").c_str(), 0, KEY_READ,
                                        &key) != ERROR_SUCCESS;
    if (!twoViews) {
        RegCloseKey(key);
    } else {
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (view + L"\\Ours").c_str(), 0,
                                                 nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        RegCloseKey(key);
    }

    // From the root the path crosses "Software", where the views part.
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite | other);
    EXPECT_TRUE(reg.DeleteTree(view + L"\\A"));
    EXPECT_TRUE(reg.DeleteTree(view + L"\\A").NotFound());
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, (view + L"\\A").c_str(), 0,
                                           KEY_READ | other, &key));
    EXPECT_TRUE(reg.DeleteKey(view));
    if (twoViews) {
        // Our view's key of the same name was not touched.
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, (view + L"\\Ours").c_str(), 0,
                                               KEY_READ, &key));
        RegCloseKey(key);
        CRegistry ours(HKEY_LOCAL_MACHINE, kReadWrite);
        ASSERT_TRUE(ours.OpenKey(L"Software", FALSE));
        EXPECT_TRUE(ours.DeleteTree(L"QuorvexTestView"));
    }
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, view.c_str(), 0, KEY_READ | other, &key));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, view.c_str(), 0, KEY_READ, &key));
}

}  // namespace
