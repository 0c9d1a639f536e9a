// The include check: the directives found in a text, and the whole command
// on small source trees made here.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "tools/includecheck/IncludeTree.h"

namespace fs = std::filesystem;

namespace {

const char kTable[] =
    "# test layering\n"
    "support:\n"
    "catalog:    support\n"
    "install:    catalog support\n"
    "tools/qpack: catalog support\n"
    "tools/importcheck:\n"
    "tests:      *\n";

class IncludeCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() /
               ("includecheck-" + std::to_string(std::random_device()()));
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    void Write(const std::string& relative, const std::string& text)
    {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative, std::ios::binary) << text;
    }

    // Runs the command; its output lands in `out` and `err`.
    int Run(const std::string& table = kTable)
    {
        Write("table.txt", table);
        out.str("");
        err.str("");
        return RunIncludeCheck({"--root", root.string(), "--table", (root / "table.txt").string()}, out, err);
    }

    // The FAIL lines of the last run.
    std::vector<std::string> Findings() const
    {
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("FAIL ", 0) == 0)
                lines.push_back(line.substr(5));
        }
        return lines;
    }

    fs::path root;
    std::ostringstream out, err;
};

TEST(FindQuotedIncludes, SkipsCommentsStringsAndSystemHeaders)
{
    const std::string text =
        "#include <windows.h>\n"                    // 1
        "  #  include \"a.h\"  // why\n"            // 2
        "// #include \"commented.h\"\n"             // 3
        "/* #include \"block.h\"\n"                 // 4
        "#include \"still-block.h\" */\n"           // 5
        "const char* s = \"/*\"; int n = 1'000;\n"  // 6
        "#include \"support/b.h\"\n"                // 7
        "auto r = R\"x(\n#include \"raw.h\"\n)x\";\n"  // 8-10
        "x = '\"'; #include \"not-a-directive.h\"\n"   // 11
        "#include \"c.h\"\n";                       // 12
    const std::vector<QuotedInclude> found = FindQuotedIncludes(text);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].path, "a.h");
    EXPECT_EQ(found[0].line, 2);
    EXPECT_EQ(found[1].path, "support/b.h");
    EXPECT_EQ(found[1].line, 7);
    EXPECT_EQ(found[2].path, "c.h");
    EXPECT_EQ(found[2].line, 12);
}

TEST_F(IncludeCheckTest, AllowedIncludesPass)
{
    Write("support/Reg.h", "#include <windows.h>\n");
    Write("catalog/Cat.h", "#include \"support/Reg.h\"\n");
    Write("install/Seq.h", "");
    Write("install/res/resource.h", "");
    Write("install/res/Install.rc", "#include <windows.h>\n#include \"resource.h\"\n");
    Write("install/Seq.cpp",
          "#include \"install/Seq.h\"\n#include \"Seq.h\"\n#include \"res/resource.h\"\n"
          "#include \"catalog/Cat.h\"\n#include \"support/Reg.h\"\n");
    Write("install/notes.txt", "#include \"nowhere.h\"\n");
    // Unchecked, built and hidden folders are never read as includers.
    Write("tests/install/SeqTest.cpp", "#include \"install/Seq.h\"\n#include \"gone.h\"\n");
    Write("build/gen/Gen.cpp", "#include \"gone.h\"\n");
    Write(".git/x.h", "#include \"gone.h\"\n");

    EXPECT_EQ(Run(), 0) << out.str() << err.str();
    EXPECT_EQ(out.str(), "includecheck: 6 files read, 7 includes checked, every include allowed\n");
}

TEST_F(IncludeCheckTest, BackEdgeNamesFileLineAndAllowedLayers)
{
    Write("install/Seq.h", "");
    Write("catalog/Cat.h", "");
    Write("support/Reg.cpp", "// registry\n\n#include \"install/Seq.h\"\n");
    Write("catalog/Cat.cpp", "#include \"Cat.h\"\n#include \"install/Seq.h\"\n");

    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Findings(), (std::vector<std::string>{
        "catalog/Cat.cpp:2: catalog includes install/Seq.h of layer install, which it may not (allowed: support)",
        "support/Reg.cpp:3: support includes install/Seq.h of layer install, which it may not (allowed: only itself)",
    }));
}

TEST_F(IncludeCheckTest, MissingFilesAndUnknownLayersFail)
{
    Write("install/Seq.cpp",
          "#include \"install/Gone.h\"\n#include \"Gone.h\"\n#include \"../../outside.h\"\n"
          "#include \"wizard/Page.h\"\n");
    Write("wizard/Page.h", "");
    Write("wizard/Page.cpp", "#include \"install/Seq.h\"\n");

    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Findings(), (std::vector<std::string>{
        "install/Seq.cpp:1: includes \"install/Gone.h\", a file that does not exist",
        "install/Seq.cpp:2: includes \"Gone.h\", a file that does not exist",
        "install/Seq.cpp:3: includes \"../../outside.h\", a file that does not exist",
        "install/Seq.cpp:4: install includes wizard/Page.h of layer wizard, which is not in the table",
        "wizard/Page.cpp: layer wizard is not in the table",  // once for the layer
    }));
}

TEST_F(IncludeCheckTest, ToolsAreLayersOfTheirOwn)
{
    Write("catalog/Cat.h", "");
    Write("tools/qpack/Pack.h", "#include \"catalog/Cat.h\"\n");
    Write("tools/qpack/main.cpp", "#include \"tools/qpack/Pack.h\"\n");
    Write("tools/importcheck/main.cpp", "#include \"tools/qpack/Pack.h\"\n");
    Write("tools/newtool/main.cpp", "");

    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Findings(), (std::vector<std::string>{
        "tools/importcheck/main.cpp:1: tools/importcheck includes tools/qpack/Pack.h of layer tools/qpack, "
        "which it may not (allowed: only itself)",
        "tools/newtool/main.cpp: layer tools/newtool is not in the table",
    }));
}

TEST_F(IncludeCheckTest, BadTableOrCommandLineIsExitTwo)
{
    Write("support/Reg.h", "");
    const std::pair<const char*, const char*> tables[] = {
        {"support:\nno colon here\n", "line 2"},
        {"support:\nsupport: catalog\ncatalog:\n", "already defined"},
        {"support: wizard\n", "does not define"},
        {"support: * catalog\ncatalog:\n", "stands alone"},
        {"support: catalog\ncatalog: install\ninstall: support\n",
         "include each other: catalog -> install -> support -> catalog"},
        {"# nothing\n", "no layer"},
    };
    for (const auto& [table, error] : tables) {
        EXPECT_EQ(Run(table), 2) << table;
        EXPECT_NE(err.str().find(error), std::string::npos) << table << " gave: " << err.str();
        EXPECT_EQ(out.str(), "") << table;
    }

    std::ostringstream o, e;
    EXPECT_EQ(RunIncludeCheck({"--root", root.string(), "--table", (root / "none.txt").string()}, o, e), 2);
    EXPECT_EQ(RunIncludeCheck({"--root", root.string()}, o, e), 2);
    EXPECT_EQ(RunIncludeCheck({"--root", (root / "support/Reg.h").string(), "--table", "t"}, o, e), 2);
    EXPECT_EQ(RunIncludeCheck({"--root", root.string(), "--table", "t", "--extra"}, o, e), 2);
}

TEST(IncludeTable, ProjectTableIsValid)
{
    std::ifstream in(QV_INCLUDE_TABLE);
    ASSERT_TRUE(in) << QV_INCLUDE_TABLE;
    std::stringstream text;
    text << in.rdbuf();
    IncludeTable table;
    std::vector<std::string> errors;
    EXPECT_TRUE(ParseIncludeTable(text.str(), table, errors)) << (errors.empty() ? "" : errors[0]);
}

}  // namespace
