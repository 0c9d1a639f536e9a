// The layering of the source folders and the quoted includes of a source
// text. Pure text work; the walk over a source tree is in IncludeTree.h.
//
// The table has one line per layer:
//   <layer>: <layer> <layer> ...   the layers it may include besides itself
//   <layer>:                       only itself
//   <layer>: *                     unchecked: it may include anything
// A line starting with '#' is a comment.
#ifndef QV_TOOLS_INCLUDECHECK_INCLUDERULES_H
#define QV_TOOLS_INCLUDECHECK_INCLUDERULES_H

#include <map>
#include <string>
#include <vector>

struct LayerRule {
    bool unchecked = false;
    std::vector<std::string> mayInclude;  // in the table's order
};

using IncludeTable = std::map<std::string, LayerRule>;

// Reads the table; every line that cannot be read is an error ("line N: ...").
// A layer named twice, or allowed to include a layer the table does not
// define, is an error too (both are typos more often than not), and so are
// layers that may include each other, directly or through others.
bool ParseIncludeTable(const std::string& text, IncludeTable& table, std::vector<std::string>& errors);

// The layer of a path relative to the source root ('/' separated): its first
// component, or its first two below "tools/" ("tools/qpack/main.cpp" ->
// "tools/qpack"). A file directly in the root belongs to the layer ".".
std::string LayerOf(const std::string& relativePath);

struct QuotedInclude {
    int line = 0;
    std::string path;
};

// The #include "..." directives of a C, C++ or resource script text, in
// order. Angle-bracket includes are the system's and are left out, and so
// is anything inside a comment or a string literal.
std::vector<QuotedInclude> FindQuotedIncludes(const std::string& text);

#endif
