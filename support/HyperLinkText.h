// The parts of the web link that need no window: which way a click opens
// the address, the texts shown when it cannot be opened or is to be opened
// by the user, and the command line built from the ".htm" association when
// the shell cannot open the address itself.
#ifndef QV_SUPPORT_HYPERLINKTEXT_H
#define QV_SUPPORT_HYPERLINKTEXT_H

#include <string>

// The text for a result code of the shell's open call (or of WinExec), such
// as "The specified file was not found." for 2; codes without a text of
// their own give "Unknown Error (<code>) occurred.".
std::wstring HyperLinkResultText(long code);

// The whole error report: "Unable to open hyperlink:\n\n" + the result text.
std::wstring HyperLinkErrorMessage(long code);

// Builds the command that opens `address` with the association's command
// text: the text is cut at its first "\"%1\"" (or else its first "%1"),
// then one blank and the address follow. Returns false, leaving `command`
// empty, when the address could smuggle anything else into the command
// line: an empty address, one holding a quote, a control character or a
// blank, or one starting like an option ('-' or '/'); and when no program
// is left before the address.
bool BuildAssociationCommand(const std::wstring& association, const std::wstring& address,
                             std::wstring& command);

// The token's elevation type as Windows Vista and later report it
// (TokenElevationType); Unknown where it was not asked or could not be read.
enum class TokenElevationKind { Unknown, Default, Full, Limited };

// What the way of opening depends on, as the system reports it.
struct LinkOpeningFacts {
    unsigned long osMajorVersion = 0;
    // Asked of every system (only Vista and later have such token
    // information, and answer it also where a compatibility mode reports an
    // older version): the elevation type, and whether the token is elevated
    // (TokenElevation) when that could be read.
    TokenElevationKind elevationType = TokenElevationKind::Unknown;
    bool elevationKnown = false;
    bool elevated = false;
    // The desktop has a shell window: the signed-in user's explorer runs.
    bool shellWindow = false;
    // Asked only before Vista: this process's token is of the same user as
    // the desktop shell's process. False where there is no shell or either
    // user cannot be read.
    bool desktopUser = false;
};

enum class LinkOpening {
    // The shell's open call in this process, then the ".htm" association's
    // command: only where this process has no more rights than the user's
    // other programs and is the desktop user's own.
    InThisProcess,
    // Handed to the desktop's shell, which opens it as the signed-in user.
    ByDesktopShell,
    // Shown for the user to open; nothing is run.
    ShowAddress
};

// Which way a click opens the address. An elevated process (Vista and later)
// never opens it itself: a browser started from it would run elevated, and
// the association command comes from the class registry, where any program
// of the user can register its own. A token whose elevation cannot be told
// counts as elevated. Before Vista a process opens it itself only when it
// runs as the desktop's user: another account's process on the user's
// desktop (the local system account, started by a deployment tool's
// service) would start the browser as that account, and there the address
// is shown.
LinkOpening ChooseLinkOpening(const LinkOpeningFacts& facts);

// The prompt shown when the address is left to the user, where its owner
// gives none.
std::wstring DefaultAddressPrompt();

// The message that shows the address to the user: the prompt, a blank line
// and the address.
std::wstring AddressMessage(const std::wstring& prompt, const std::wstring& address);

#endif
