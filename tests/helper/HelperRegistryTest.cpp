// The helper's 8-bit registry wrapper against the real registry of the
// prefix, in a scratch key that each test creates and removes.
#include "helper/HelperRegistry.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>
#include <vector>

namespace {

const char kScratch[] = "Software\\QuorvexHelperTest";
const REGSAM kReadWrite = KEY_READ | KEY_WRITE;

class HelperRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kScratch);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kScratch, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &m_scratch, nullptr));
    }
    void TearDown() override
    {
        RegCloseKey(m_scratch);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kScratch);
    }

    static std::string Path(const std::string& below) { return std::string(kScratch) + "\\" + below; }

    bool KeyExists(const char* below)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(m_scratch, below, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    void SetRaw(const char* name, DWORD type, const void* data, DWORD bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(m_scratch, name, 0, type, static_cast<const BYTE*>(data), bytes));
    }
    bool QueryRaw(const char* name, DWORD& type, std::string& data)
    {
        char buffer[4096] = {};
        DWORD bytes = sizeof(buffer);
        if (RegQueryValueExA(m_scratch, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                             &bytes) != ERROR_SUCCESS) {
            return false;
        }
        data.assign(buffer, bytes);
        return true;
    }

    HKEY m_scratch = nullptr;
};

TEST_F(HelperRegistryTest, OpenKeyCreatesOnlyWhenAskedAndKeepsTheCurrentKeyOnFailure)
{
    CHelperRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    const RegStatus missing = reg.OpenKey(Path("Missing"), FALSE);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.Code());
    EXPECT_TRUE(missing.Gone());
    EXPECT_EQ(HKEY_LOCAL_MACHINE, reg.GetKey());
    EXPECT_FALSE(KeyExists("Missing"));

    EXPECT_TRUE(reg.OpenKey(Path("Made\\Deeper"), TRUE));
    EXPECT_TRUE(KeyExists("Made\\Deeper"));
    ASSERT_NE(HKEY_LOCAL_MACHINE, reg.GetKey());
    // The new key is current: writes land in it, later opens are below it.
    EXPECT_TRUE(reg.WriteDword("Here", 7));
    EXPECT_TRUE(reg.OpenKey("Child", TRUE));
    EXPECT_TRUE(KeyExists("Made\\Deeper\\Child"));

    // A failed create leaves the current key in place (key names are at
    // most 255 characters).
    const HKEY before = reg.GetKey();
    EXPECT_FALSE(reg.OpenKey(std::string(300, 'k'), TRUE));
    EXPECT_EQ(before, reg.GetKey());
    EXPECT_FALSE(reg.CreateKey(std::string(300, 'k')));
    EXPECT_EQ(before, reg.GetKey());
    DWORD here = 0;
    CHelperRegistry reader(HKEY_LOCAL_MACHINE, KEY_READ);
    ASSERT_TRUE(reader.OpenKey(Path("Made"), FALSE));
    EXPECT_TRUE(reader.OpenSubKey(reader.GetKey(), "Deeper", KEY_READ, FALSE));
    EXPECT_TRUE(reader.ReadDword("Here", here));
    EXPECT_EQ(7u, here);
    const RegStatus refused = reader.WriteDword("Here", 8);
    EXPECT_EQ(ERROR_ACCESS_DENIED, refused.Code()) << "written through a read-only key";
    EXPECT_FALSE(refused.NotFound());

    // Below a volatile key a lasting one is refused: not "not found".
    HKEY volatileKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_scratch, "Volatile", 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr));
    RegCloseKey(volatileKey);
    CHelperRegistry holder(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(holder.OpenKey(Path("Volatile"), FALSE));
    const RegStatus mustBeVolatile = holder.OpenKey("Lasting", TRUE);
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE, mustBeVolatile.Code());
    EXPECT_FALSE(mustBeVolatile.Gone());

    EXPECT_EQ(0, reg.CloseKey());
    EXPECT_EQ(nullptr, reg.GetKey());
    EXPECT_EQ(0, reg.CloseKey()) << "nothing left to close";
}

TEST_F(HelperRegistryTest, StringsAreWrittenWithTheirTerminatorAndReadUpTo1022Characters)
{
    CHelperRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));

    DWORD type = 0;
    std::string raw;
    EXPECT_TRUE(reg.WriteString("Mfg", "Quorvex"));
    ASSERT_TRUE(QueryRaw("Mfg", type, raw));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("Quorvex", 8), raw);

    // Empty text: only the terminator. Empty name: the unnamed value.
    EXPECT_TRUE(reg.WriteString("", ""));
    ASSERT_TRUE(QueryRaw("", type, raw));
    EXPECT_EQ(std::string(1, '\0'), raw);

    std::string text = "keep";
    EXPECT_TRUE(reg.ReadString("Mfg", text));
    EXPECT_EQ("Quorvex", text);

    const std::string fits(1022, 'a');
    EXPECT_TRUE(reg.WriteString("Fits", fits));
    EXPECT_TRUE(reg.ReadString("Fits", text));
    EXPECT_EQ(fits, text);
    EXPECT_TRUE(reg.WriteString("TooLong", std::string(1023, 'b')));
    text = "keep";
    EXPECT_EQ(ERROR_MORE_DATA, reg.ReadString("TooLong", text).Code());
    EXPECT_EQ("keep", text);
    EXPECT_FALSE(reg.ReadString("Missing", text));
    EXPECT_EQ("keep", text);

    // Written by someone else: a multi-string gives its first string, data
    // without a terminator gives exactly its bytes.
    SetRaw("Multi", REG_MULTI_SZ, "first\0second\0", 14);
    EXPECT_TRUE(reg.ReadString("Multi", text));
    EXPECT_EQ("first", text);
    SetRaw("Bare", REG_SZ, "abc", 3);
    EXPECT_TRUE(reg.ReadString("Bare", text));
    EXPECT_EQ("abc", text);
}

TEST_F(HelperRegistryTest, NumbersAreFourBytesAndOtherSizesCountAsMissing)
{
    CHelperRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));
    EXPECT_TRUE(reg.WriteDword("_UpdateMode", 2));
    DWORD type = 0;
    std::string raw;
    ASSERT_TRUE(QueryRaw("_UpdateMode", type, raw));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(std::string("\x02\0\0\0", 4), raw);

    DWORD value = 99;
    EXPECT_TRUE(reg.ReadDword("_UpdateMode", value));
    EXPECT_EQ(2u, value);
    value = 99;
    EXPECT_FALSE(reg.ReadDword("Missing", value));
    EXPECT_EQ(99u, value);
    SetRaw("Short", REG_BINARY, "\x01\x02", 2);
    EXPECT_EQ(ERROR_INVALID_DATA, reg.ReadDword("Short", value).Code());
    EXPECT_EQ(99u, value);
    SetRaw("Long", REG_BINARY, "12345678", 8);
    EXPECT_FALSE(reg.ReadDword("Long", value));
    EXPECT_EQ(99u, value);

    EXPECT_TRUE(reg.DeleteValue("_UpdateMode"));
    const RegStatus again = reg.DeleteValue("_UpdateMode");
    EXPECT_FALSE(again);
    EXPECT_TRUE(again.NotFound());
    EXPECT_TRUE(again.Gone());
    EXPECT_TRUE(reg.ReadDword("_UpdateMode", value).NotFound());
}

TEST_F(HelperRegistryTest, KeysAndTreesAreDeletedOnceAndThenReportedGone)
{
    for (const char* below : {"0000\\Properties\\Deep", "0000\\Other", "0001"}) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_scratch, below, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        RegCloseKey(key);
    }
    CHelperRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));
    const HKEY current = reg.GetKey();

    EXPECT_EQ(ERROR_ACCESS_DENIED, reg.DeleteKey("0000").Code()) << "a key with subkeys";
    EXPECT_TRUE(KeyExists("0000\\Properties\\Deep"));
    EXPECT_TRUE(reg.DeleteKey("0000\\Other"));
    EXPECT_TRUE(reg.DeleteKey("0000\\Other").NotFound());
    EXPECT_TRUE(reg.DeleteTree("0000"));
    const RegStatus again = reg.DeleteTree("0000");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, again.Code());
    EXPECT_TRUE(again.Gone());

    EXPECT_FALSE(KeyExists("0000"));
    EXPECT_TRUE(KeyExists("0001")) << "a sibling went too";
    EXPECT_EQ(current, reg.GetKey());
    EXPECT_TRUE(reg.WriteDword("StillOpen", 1));
}

TEST_F(HelperRegistryTest, SubkeysAreCountedAndListedWithoutOverrunningTheArray)
{
    CHelperRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    ASSERT_TRUE(reg.OpenKey(kScratch, FALSE));
    EXPECT_EQ(0u, reg.GetSubKeyCount(reg.GetKey()));
    EXPECT_TRUE(reg.ListSubKeys(reg.GetKey()).empty());

    for (const char* name : {"0000", "0001", "Properties"}) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_scratch, name, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        RegCloseKey(key);
    }
    EXPECT_EQ(3u, reg.GetSubKeyCount(reg.GetKey()));
    const std::vector<std::string> expected = {"0000", "0001", "Properties"};
    EXPECT_EQ(expected, reg.ListSubKeys(reg.GetKey()));

    CHelperRegistry::SubKeyName names[3] = {};
    names[2][0] = 'x';
    EXPECT_EQ(2u, reg.EnumSubKeys(reg.GetKey(), names, 2));
    EXPECT_STREQ("0000", names[0]);
    EXPECT_STREQ("0001", names[1]);
    EXPECT_STREQ("x", names[2]) << "the entry beyond the capacity was written";
}

}  // namespace
