// A thin owner of one current registry key, for wide texts (the installer)
// and 8-bit texts with the ANSI calls (the helper service program): one
// implementation over the character type, so both behave alike.
#ifndef QV_SUPPORT_REGISTRY_H
#define QV_SUPPORT_REGISTRY_H

#include <windows.h>

#include <string>
#include <vector>

template <class Char>
class BasicRegistry {
public:
    using String = std::basic_string<Char>;
    // One entry of the name array that EnumSubKeys fills.
    typedef Char SubKeyName[512];

    BasicRegistry(HKEY root, REGSAM samDesired);
    virtual ~BasicRegistry();

    BasicRegistry(const BasicRegistry&) = delete;
    BasicRegistry& operator=(const BasicRegistry&) = delete;

    // Makes `root` current (borrowed, never closed); the key opened before
    // is closed.
    void SetRootKey(HKEY root);
    // Closes the current key; the platform's status (0 = success), and 0
    // when there is nothing of ours to close.
    LONG CloseKey();
    BOOL CreateKey(const String& path);
    BOOL CreateSubKey(HKEY parent, const String& path);
    BOOL OpenKey(const String& path, BOOL create);
    BOOL OpenSubKey(HKEY parent, const String& path, REGSAM samDesired, BOOL create);

    DWORD GetSubKeyCount(HKEY key);
    // Fills at most `capacity` entries of `names` (may be null); returns how
    // many subkeys were enumerated.
    DWORD EnumSubKeys(HKEY key, SubKeyName* names, DWORD capacity);
    // All subkey names of `key`, in the registry's enumeration order.
    std::vector<String> ListSubKeys(HKEY key);

    // Reads leave `value` unchanged when they fail, so callers preset their
    // default. A number of another size than four bytes, and a string longer
    // than 1022 characters, count as missing.
    BOOL ReadDword(const String& name, DWORD& value);
    BOOL ReadString(const String& name, String& value);
    BOOL WriteDword(const String& name, DWORD value);
    BOOL WriteString(const String& name, const String& text, DWORD type = REG_SZ);
    BOOL DeleteValue(const String& name);

    HKEY GetKey() const { return m_hKey; }

private:
    // Makes `key` current and closes the key it replaces when that one is ours.
    void Replace(HKEY key, bool owned);
    LONG CreateBelow(HKEY parent, const String& path, HKEY& created) const;
    // Enumerates the subkey names of `key`: into `names` (at most `capacity`
    // entries) and/or `list` when given; returns how many were delivered.
    static DWORD EnumerateNames(HKEY key, SubKeyName* names, DWORD capacity, std::vector<String>* list);

    HKEY m_hKey;
    REGSAM m_samDesired;
    // Whether m_hKey was opened or created by this object (and so must be
    // closed by it).
    bool m_ownsKey;
};

// The installer's registry: UTF-16 names and texts.
using CRegistry = BasicRegistry<wchar_t>;

#endif
