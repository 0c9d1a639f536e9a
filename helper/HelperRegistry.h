// The helper's registry wrapper: one current key and an access mask, with
// 8-bit names and texts and the ANSI registry calls. It mirrors the
// installer's wide wrapper operation for operation.
#ifndef QV_HELPER_HELPERREGISTRY_H
#define QV_HELPER_HELPERREGISTRY_H

#include <windows.h>

#include <string>
#include <vector>

class CHelperRegistry {
public:
    // One entry of the name array that EnumSubKeys fills.
    typedef char SubKeyName[512];

    CHelperRegistry(HKEY root, REGSAM samDesired);
    virtual ~CHelperRegistry();

    CHelperRegistry(const CHelperRegistry&) = delete;
    CHelperRegistry& operator=(const CHelperRegistry&) = delete;

    // Makes a predefined root current; the key opened before is closed.
    void SetRootKey(HKEY root);
    // Closes the current key; returns the platform's status (0 = success),
    // and 0 when there is nothing to close.
    LONG CloseKey();
    BOOL CreateKey(const std::string& path);
    BOOL CreateSubKey(HKEY parent, const std::string& path);
    BOOL OpenKey(const std::string& path, BOOL create);
    BOOL OpenSubKey(HKEY parent, const std::string& path, REGSAM samDesired, BOOL create);

    DWORD GetSubKeyCount(HKEY key);
    // Fills at most `capacity` entries of `names` (may be null); returns how
    // many subkeys were enumerated.
    DWORD EnumSubKeys(HKEY key, SubKeyName* names, DWORD capacity);
    // All subkey names of `key`, in the registry's enumeration order.
    std::vector<std::string> ListSubKeys(HKEY key);

    // Reads leave `value` unchanged when they fail, so callers preset their
    // default.
    BOOL ReadDword(const std::string& name, DWORD& value);
    BOOL ReadString(const std::string& name, std::string& value);
    BOOL WriteDword(const std::string& name, DWORD value);
    BOOL WriteString(const std::string& name, const std::string& text, DWORD type = REG_SZ);
    BOOL DeleteValue(const std::string& name);

    HKEY GetKey() const { return m_hKey; }

private:
    // Makes `key` current, closing the key this object opened before.
    void Replace(HKEY key, bool owned);
    // Creates `path` below `parent` and closes the new handle at once.
    bool CreateAndClose(HKEY parent, const std::string& path);

    HKEY m_hKey;
    REGSAM m_samDesired;
    bool m_bOwned;  // m_hKey was opened by this object (not a predefined root)
};

#endif
