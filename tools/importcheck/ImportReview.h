// The reviewed list of what our Windows programs may import, and the check
// of the built programs against it. Pure text work.
//
// The list has one line per imported function:
//   <dll> <static|delay> <function> <first Windows version> <source>
// A '#' standing alone starts a comment. The version is one of nt4, 2000, xp, 2003, vista, 7,
// 8, 10; the source says where that fact comes from (for a Win32 function
// the address of its documentation page, whose "Minimum supported client" it
// is). "delay" marks a DLL that is not one of the system's known DLLs: it
// must be delay-loaded (from the system folder), never imported at start-up.
#ifndef QV_TOOLS_IMPORTCHECK_IMPORTREVIEW_H
#define QV_TOOLS_IMPORTCHECK_IMPORTREVIEW_H

#include <string>
#include <vector>

#include "tools/importcheck/PeImports.h"

struct ReviewedImport {
    std::string dll;
    ImportKind kind = ImportKind::Static;
    std::string function;
    std::string since;
    std::string source;
    int line = 0;
};

// Reads the list; every line that cannot be read is an error ("line N: ...").
bool ParseReviewedList(const std::string& text, std::vector<ReviewedImport>& list,
                       std::vector<std::string>& errors);

// The order of the version names; -1 for a name that is not one.
int WindowsVersionRank(const std::string& version);

struct ProgramImports {
    std::string name;
    PeImports imports;
};

// Everything that keeps the programs from loading on OLDEST (a version name)
// or that nobody has reviewed: a function not on the list, imported the
// wrong way, or first in a newer Windows; a header version newer than
// OLDEST's; a list entry that no program imports any more. Empty when all
// is well.
std::vector<std::string> CheckImports(const std::vector<ProgramImports>& programs,
                                      const std::vector<ReviewedImport>& list,
                                      const std::string& oldest);

#endif
