// includecheck: checks that every source folder includes only the folders
// below it, as the table of allowed includes says, and that every quoted
// include names a file that exists.
//   includecheck --root <source root> --table allowed-includes.txt
// Exit status 0 when every include is allowed, 1 when not, 2 for a wrong
// command line or an unreadable table.
#include <iostream>

#include "tools/includecheck/IncludeTree.h"

int main(int argc, char* argv[])
{
    return RunIncludeCheck(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
