// The parts of the web link that need no window: the text shown when an
// address cannot be opened, and the command line built from the ".htm"
// association when the shell cannot open the address itself.
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

#endif
