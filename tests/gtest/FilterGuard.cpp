// Linked into every test program: a --gtest_filter pattern that selects no
// test is an error, not an empty pass. A registration that names a test case
// which was renamed since must fail, so that nothing drops out unnoticed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// GoogleTest's own pattern rules: '*' any run of characters, '?' any one.
bool Matches(const char* pattern, const char* name)
{
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
        return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    if (*name == '\0')
        return false;
    return (*pattern == '?' || *pattern == *name) && Matches(pattern + 1, name + 1);
}

// The positive patterns of a filter: before the first '-', split at ':'.
std::vector<std::string> PositivePatterns(const std::string& filter)
{
    const std::string positive = filter.substr(0, filter.find('-'));
    std::vector<std::string> patterns;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = positive.find(':', start);
        const std::string pattern = positive.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!pattern.empty())
            patterns.push_back(pattern);
        if (colon == std::string::npos)
            return patterns;
        start = colon + 1;
    }
}

class FilterGuard : public testing::EmptyTestEventListener {
    void OnTestProgramStart(const testing::UnitTest& unit) override
    {
        bool allFound = true;
        for (const std::string& pattern : PositivePatterns(GTEST_FLAG_GET(filter))) {
            bool found = false;
            for (int s = 0; s < unit.total_test_suite_count() && !found; ++s) {
                const testing::TestSuite* suite = unit.GetTestSuite(s);
                for (int t = 0; t < suite->total_test_count() && !found; ++t) {
                    const testing::TestInfo* info = suite->GetTestInfo(t);
                    found = Matches(pattern.c_str(), (std::string(info->test_suite_name()) + "." + info->name()).c_str());
                }
            }
            if (!found) {
                std::fprintf(stderr, "the filter pattern \"%s\" selects no test of this program\n", pattern.c_str());
                allFound = false;
            }
        }
        if (!allFound)
            std::exit(1);
    }
};

const bool g_installed = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new FilterGuard);
    return true;
}();

}  // namespace
