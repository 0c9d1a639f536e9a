#include "install/DeviceIdMatch.h"

#include "install/Snmp.h"

namespace {

wchar_t Upper(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Upper case, without blanks.
std::wstring Squeezed(const std::wstring& text)
{
    std::wstring squeezed;
    for (wchar_t c : text)
        if (c != L' ' && c != L'\t')
            squeezed += Upper(c);
    return squeezed;
}

bool IsWordCharacter(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace

bool DeviceIdNamesModel(const std::wstring& said, bool isDescription, const PrinterModel& model)
{
    const std::wstring wanted = Squeezed(model.manufacturer + model.infBaseName);
    if (model.infBaseName.empty() || wanted.empty())
        return false;
    DeviceIdFields fields;
    if (!isDescription && ParseDeviceId(said, fields))
        return !fields.model.empty() &&
               (Squeezed(fields.manufacturer + fields.model) == wanted || Squeezed(fields.model) == wanted);
    // A description, or a device id that does not read as one: its words.
    const std::wstring name = Squeezed(model.infBaseName);
    std::wstring word;
    for (std::size_t i = 0; i <= said.size(); ++i) {
        if (i < said.size() && IsWordCharacter(said[i])) {
            word += Upper(said[i]);
            continue;
        }
        if (word == name)
            return true;
        word.clear();
    }
    return false;
}
