// The include check of a whole source tree against the layer table.
#ifndef QV_TOOLS_INCLUDECHECK_INCLUDETREE_H
#define QV_TOOLS_INCLUDECHECK_INCLUDETREE_H

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/includecheck/IncludeRules.h"

struct IncludeTreeReport {
    std::size_t filesRead = 0;
    std::size_t includesChecked = 0;
    std::vector<std::string> findings;  // one line each, "<file>[:<line>]: ..."
};

// Reads every .cpp, .h and .rc file below ROOT, except in the build folder,
// in hidden folders the table does not name, and in unchecked layers, and
// judges each quoted include: its file must exist (beside the including
// file or below the root, the order the compiler looks in), and its layer
// must be the includer's own or one the includer's layer may include. A
// file in a layer the table does not define is a finding once per layer.
IncludeTreeReport CheckIncludeTree(const std::filesystem::path& root, const IncludeTable& table);

// The whole command: includecheck --root <source root> --table <table>.
// Prints the findings and a summary to OUT, command-line and table errors
// to ERR. Returns 0 when every include is allowed, 1 when not, 2 for a
// wrong command line or an unreadable table.
int RunIncludeCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

#endif
