#include "support/HyperLinkText.h"

#include <string>

std::wstring HyperLinkResultText(long code) {
    switch (code) {
    case 0: return L"The operating system is out\nof memory or resources.";
    case 2: return L"The specified file was not found.";
    case 3: return L"The specified path was not found.";
    case 5: return L"The operating system denied\naccess to the specified file.";
    case 8: return L"There was not enough memory to complete the operation.";
    case 11: return L"The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26: return L"A sharing violation occurred. ";
    case 27: return L"The filename association is\nincomplete or invalid.";
    case 28:
        return L"The DDE transaction could not\nbe completed because the request timed out.";
    case 29: return L"The DDE transaction failed.";
    case 30:
        return L"The DDE transaction could not\nbe completed because other DDE transactions\n"
               L"were being processed.";
    case 31: return L"There is no application associated\nwith the given filename extension.";
    case 32: return L"The specified dynamic-link library was not found.";
    default: break;
    }
    // Built from the number's decimal digits, so that the text does not
    // depend on a printf of the platform's wide-character width.
    const std::string digits = std::to_string(code);
    return L"Unknown Error (" + std::wstring(digits.begin(), digits.end()) + L") occurred.";
}

std::wstring HyperLinkErrorMessage(long code) {
    return L"Unable to open hyperlink:\n\n" + HyperLinkResultText(code);
}

bool BuildAssociationCommand(const std::wstring& association, const std::wstring& address,
                             std::wstring& command) {
    command.clear();
    // The address becomes exactly one argument of the associated program:
    // nothing in it may end that argument or read as an option.
    if (address.empty() || address[0] == L'-' || address[0] == L'/') {
        return false;
    }
    for (wchar_t c : address) {
        if (c == L'"' || c == L' ' || c < 0x20 || c == 0x7f) {
            return false;
        }
    }
    std::wstring text = association;
    size_t cut = text.find(L"\"%1\"");
    if (cut == std::wstring::npos) {
        cut = text.find(L"%1");
    }
    if (cut != std::wstring::npos) {
        text.erase(cut);
    }
    // Without a program before the address the address itself would be run.
    if (text.find_first_not_of(L" \t") == std::wstring::npos) {
        return false;
    }
    command = text + L" " + address;
    return true;
}

LinkOpening ChooseLinkOpening(const LinkOpeningFacts& facts) {
    // Before Vista an administrator's programs all run with the same token:
    // nothing opened from here gets rights the user's other programs lack,
    // as long as this process is the desktop user's at all. There is no
    // hand-over to the desktop's shell there, so the user opens it. A token
    // that answers the elevation question is Vista's or later, whatever
    // version the system reports (a program in a compatibility mode for XP
    // is told 5.1).
    if (facts.osMajorVersion < 6 && !facts.elevationKnown) {
        return facts.desktopUser ? LinkOpening::InThisProcess : LinkOpening::ShowAddress;
    }
    bool elevated = true;
    if (facts.elevationKnown) {
        elevated = facts.elevated;
    } else if (facts.elevationType == TokenElevationKind::Limited) {
        elevated = false;
    }
    if (!elevated) {
        return LinkOpening::InThisProcess;
    }
    return facts.shellWindow ? LinkOpening::ByDesktopShell : LinkOpening::ShowAddress;
}

std::wstring DefaultAddressPrompt() {
    return L"This installer runs with administrator rights and does not open web pages itself. "
           L"To visit the maker's web site, open this address in your browser:";
}

std::wstring AddressMessage(const std::wstring& prompt, const std::wstring& address) {
    return prompt + L"\n\n" + address;
}
