// A thin owner of one current registry key, for wide texts (the installer)
// and 8-bit texts with the ANSI calls (the helper service program): one
// implementation over the character type, so both behave alike.
#ifndef QV_SUPPORT_REGISTRY_H
#define QV_SUPPORT_REGISTRY_H

#include <windows.h>

#include <string>
#include <vector>

// The system's status of one registry call (ERROR_SUCCESS or its error
// code), so that a caller can tell a key or value that is not there from
// one it may not touch. A deletion wants Gone(): deleting what is already
// gone succeeds, so a second removal is harmless.
class RegStatus {
public:
    RegStatus(LONG code = ERROR_SUCCESS) : m_code(code) {}
    LONG Code() const { return m_code; }
    // Succeeded.
    explicit operator bool() const { return m_code == ERROR_SUCCESS; }
    bool NotFound() const { return m_code == ERROR_FILE_NOT_FOUND || m_code == ERROR_PATH_NOT_FOUND; }
    // Succeeded, or there was nothing of that name.
    bool Gone() const { return m_code == ERROR_SUCCESS || NotFound(); }

private:
    LONG m_code;
};

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
    // Opens and creates report the status of the call that failed: with
    // `create` (exactly TRUE) that is the create's, or the reopen's after it.
    RegStatus CreateKey(const String& path);
    RegStatus CreateSubKey(HKEY parent, const String& path);
    RegStatus OpenKey(const String& path, BOOL create);
    RegStatus OpenSubKey(HKEY parent, const String& path, REGSAM samDesired, BOOL create);

    DWORD GetSubKeyCount(HKEY key);
    // Fills at most `capacity` entries of `names` (may be null); returns how
    // many subkeys were enumerated.
    DWORD EnumSubKeys(HKEY key, SubKeyName* names, DWORD capacity);
    // All subkey names of `key`, in the registry's enumeration order.
    std::vector<String> ListSubKeys(HKEY key);
    // All value names of `key` (the unnamed value as ""), in the registry's
    // enumeration order. Only the installer's wide form has it.
    std::vector<String> ListValueNames(HKEY key);

    // Reads leave `value` unchanged when they fail, so callers preset their
    // default. A number of another size than four bytes counts as missing,
    // with ERROR_INVALID_DATA; a string longer than 1022 characters too,
    // with the system's ERROR_MORE_DATA.
    RegStatus ReadDword(const String& name, DWORD& value);
    RegStatus ReadString(const String& name, String& value);
    RegStatus WriteDword(const String& name, DWORD value);
    // A text too long for the registry's byte count: ERROR_INVALID_PARAMETER.
    RegStatus WriteString(const String& name, const String& text, DWORD type = REG_SZ);

    // Deletions below the current key, which stays current and open. Each
    // reports the system's status as it is: a name that is not there is
    // NotFound(), and callers that only want it gone test Gone().
    RegStatus DeleteValue(const String& name);
    // Deletes the subkey `path` when it has no subkeys (the system refuses
    // one that has, with ERROR_ACCESS_DENIED).
    RegStatus DeleteKey(const String& path);
    // Deletes the subkey `path` with everything below it, the deepest keys
    // first. Stops at the first key that cannot be opened or deleted (keys
    // that vanish meanwhile do not count) and reports that status; what was
    // deleted before stays deleted. An empty path (the current key itself)
    // is refused with ERROR_INVALID_PARAMETER, by DeleteKey too. Both work in
    // the registry view of the object's access (its KEY_WOW64_* bits).
    RegStatus DeleteTree(const String& path);

    HKEY GetKey() const { return m_hKey; }

private:
    // Makes `key` current and closes the key it replaces when that one is ours.
    void Replace(HKEY key, bool owned);
    LONG CreateBelow(HKEY parent, const String& path, HKEY& created) const;
    // The registry view bits (KEY_WOW64_*) of the object's access.
    REGSAM View() const;
    // DeleteTree's recursion: the subkey `path` of `parent` and all below it.
    LONG DeleteTreeBelow(HKEY parent, const String& path) const;
    // Enumerates the subkey names of `key`: into `names` (at most `capacity`
    // entries) and/or `list` when given; returns how many were delivered.
    static DWORD EnumerateNames(HKEY key, SubKeyName* names, DWORD capacity, std::vector<String>* list);

    HKEY m_hKey;
    REGSAM m_samDesired;
    // Whether m_hKey was opened or created by this object (and so must be
    // closed by it).
    bool m_ownsKey;
};

template <>
std::vector<std::wstring> BasicRegistry<wchar_t>::ListValueNames(HKEY key);

// The installer's registry: UTF-16 names and texts.
using CRegistry = BasicRegistry<wchar_t>;

#endif
