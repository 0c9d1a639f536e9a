// The qpack program itself on a scratch copy of the sample package: exit
// statuses, the report, and files it cannot read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

class QpackTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("qpack-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        fs::copy(QV_SAMPLE_DIR, m_dir / "package", fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs qpack with `args`; returns its exit status, output in m_output.
    int Run(const std::string& args)
    {
        fs::path out = m_dir / "output.txt";
        std::string command = std::string("\"") + QV_QPACK + "\" " + args + " >\"" + out.string() + "\" 2>&1";
        int status = std::system(command.c_str());
        std::ifstream in(out);
        m_output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Package(const std::string& name = "") const
    {
        return "\"" + (name.empty() ? m_dir / "package" : m_dir / "package" / name).string() + "\"";
    }

    void Overwrite(const std::string& name, const std::string& content)
    {
        std::ofstream(m_dir / "package" / name, std::ios::binary | std::ios::trunc) << content;
    }

    bool Says(const std::string& text) const { return m_output.find(text) != std::string::npos; }

    fs::path m_dir;
    std::string m_output;
};

}  // namespace

TEST_F(QpackTool, SamplePackageIsCompleteAndListedInInstallerOrder)
{
    ASSERT_EQ(0, Run("check " + Package())) << m_output;
    std::size_t vkt = m_output.find("VKT300.INF: listed"), qx2 = m_output.find("QX2000.INF: listed"),
                qx1 = m_output.find("QX1000.INF: listed");
    ASSERT_NE(std::string::npos, qx1) << m_output;
    EXPECT_LT(vkt, qx2);
    EXPECT_LT(qx2, qx1);
    EXPECT_TRUE(Says("present  gpd/STDNAMES.GPD"));
    EXPECT_TRUE(Says("UTF-16 LE with byte order mark"));
    EXPECT_TRUE(Says("connections        USB, parallel, network"));
    EXPECT_TRUE(Says("connections        parallel, serial"));
}

TEST_F(QpackTool, MissingFileOrBadValueFailsTheCheck)
{
    fs::remove(m_dir / "package" / "gpd" / "QX1000U.gpd");
    EXPECT_EQ(1, Run("check " + Package()));
    EXPECT_TRUE(Says("MISSING  gpd/QX1000U.gpd")) << m_output;
    EXPECT_TRUE(Says("INCOMPLETE"));

    // The value QX2000.INF carries, copied into another model's file.
    Overwrite("QX9.INF", "[Version]\r\nSecurityID=AF6F352737082A31DB6FC1AA5D81E99C\r\n"
                         "[M]\r\nx = y, USBPRINT\\QuorvexQX91234\r\n");
    EXPECT_EQ(1, Run("check " + Package("QX9.INF")));
    EXPECT_TRUE(Says("NOT LISTED")) << m_output;
    EXPECT_TRUE(Says("stands for \"20005E6F\" but the file needs \"91234\"")) << m_output;
}

TEST_F(QpackTool, SignThenCheckAcceptsAFreshModel)
{
    Overwrite("QX9.INF", "[Version]\r\nClass=Printer\r\n\r\n[M]\r\nx = y, USBPRINT\\QuorvexQX91234\r\n");
    ASSERT_EQ(0, Run("sign " + Package("QX9.INF"))) << m_output;
    EXPECT_TRUE(Says("SecurityID line added")) << m_output;
    EXPECT_EQ(0, Run("check " + Package("QX9.INF"))) << m_output;
    EXPECT_TRUE(Says("usbIdSuffix        \"1234\""));
    EXPECT_EQ(0, Run("sign " + Package("QX9.INF")));
    EXPECT_TRUE(Says("already signed")) << m_output;
}

// The declared connections: written by the tool, reported by the check,
// a word the installer does not know fails the check.
TEST_F(QpackTool, ConnectionsAreDeclaredAndChecked)
{
    Overwrite("QX9.INF", "[Version]\r\nClass=Printer\r\n\r\n[M]\r\nx = y, USBPRINT\\QuorvexQX91234\r\n");
    ASSERT_EQ(0, Run("sign " + Package("QX9.INF"))) << m_output;
    ASSERT_EQ(0, Run("connections network,serial " + Package("QX9.INF"))) << m_output;
    EXPECT_EQ(0, Run("check " + Package("QX9.INF"))) << m_output;
    EXPECT_TRUE(Says("connections        USB, network, serial")) << m_output;
    ASSERT_EQ(0, Run("connections none " + Package("QX9.INF"))) << m_output;
    EXPECT_EQ(0, Run("check " + Package("QX9.INF"))) << m_output;
    EXPECT_TRUE(Says("connections        USB\n")) << m_output;
    EXPECT_EQ(2, Run("connections modem " + Package("QX9.INF")));
    Overwrite("QX9.INF", "[Version]\r\nClass=Printer\r\nSecurityID=x\r\n[M]\r\nx = y, USBPRINT\\QuorvexQX91234\r\n"
                         "[QuorvexInstaller]\r\nQuorvexConnections=Network,Modem\r\n");
    ASSERT_EQ(0, Run("sign " + Package("QX9.INF"))) << m_output;
    EXPECT_EQ(1, Run("check " + Package("QX9.INF")));
    EXPECT_TRUE(Says("UNKNOWN CONNECTION \"Modem\"")) << m_output;
}

TEST_F(QpackTool, UnreadableInputAndBadUsageExitWithTwo)
{
    EXPECT_EQ(2, Run("check " + Package("NOPE.INF")));
    EXPECT_TRUE(Says("NOPE.INF: no such file")) << m_output;
    EXPECT_EQ(2, Run("sign " + Package("gpd")));
    EXPECT_TRUE(Says("not a regular file")) << m_output;
    EXPECT_EQ(2, Run("frobnicate"));
    EXPECT_EQ(2, Run("sign"));
    EXPECT_EQ(2, Run(""));
    EXPECT_EQ(0, Run("--help"));
    EXPECT_TRUE(Says("SYNOPSIS"));
    EXPECT_TRUE(Says("EXIT STATUS"));
}

TEST_F(QpackTool, FolderWithoutInfFilesIsAProblem)
{
    EXPECT_EQ(1, Run("check " + Package("gpd")));
    EXPECT_TRUE(Says("no INF files")) << m_output;
}

TEST_F(QpackTool, DigestsListEveryInstallableFileAndCheckNamesTheChangedOne)
{
    ASSERT_EQ(0, Run("digests " + Package())) << m_output;
    const std::string list = m_output;
    // Three models, each with nine plug-ins, its INI, two GPD files, INF and
    // catalogue, plus the three GPD files they share: 3 * 14 + 3 lines.
    EXPECT_EQ(45, std::count(list.begin(), list.end(), '\n'));
    EXPECT_EQ('\n', list.back());
    EXPECT_FALSE(Says("README")) << "only what the installer may install";
    // Sorted by the lowered path; the digest is that of the file's bytes.
    EXPECT_LT(list.find("  amd64\\QRES1000.DLL\n"), list.find("  gpd\\Common6.gpd\n"));
    EXPECT_LT(list.find("  ia64\\QUNI300.DLL\n"), list.find("  QX1000.cat\n"));
    EXPECT_LT(list.find("  QX1000.INI\n"), list.find("  QX2000.cat\n"));
    Overwrite("gpd/STDNAMES.GPD", "abc");
    ASSERT_EQ(0, Run("digests " + Package())) << m_output;
    EXPECT_TRUE(Says("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  gpd\\STDNAMES.GPD\n"));
    std::ofstream(m_dir / "digests.txt", std::ios::binary) << m_output;

    ASSERT_EQ(0, Run("check " + Package() + " --digests \"" + (m_dir / "digests.txt").string() + "\"")) << m_output;
    EXPECT_TRUE(Says("present  amd64/QUI2000.DLL  digest ok"));
    EXPECT_FALSE(Says("DIFFERS"));

    Overwrite("amd64/QUI2000.DLL", "swapped");
    EXPECT_EQ(1, Run("check --digests \"" + (m_dir / "digests.txt").string() + "\" " + Package()));
    EXPECT_TRUE(Says("present  amd64/QUI2000.DLL  DIGEST DIFFERS")) << m_output;
    const std::size_t qx2 = m_output.find("QX2000.INF: listed"), qx1 = m_output.find("QX1000.INF: listed");
    const std::size_t refused = m_output.find("NOT VOUCHED FOR");
    EXPECT_TRUE(qx2 < refused && refused < qx1) << "QX2000 alone is refused";
    EXPECT_EQ(refused, m_output.rfind("NOT VOUCHED FOR"));

    // A model whose file is missing: no list at all, and a reason.
    fs::remove(m_dir / "package" / "ia64" / "QRES300.DLL");
    EXPECT_EQ(1, Run("digests " + Package()));
    EXPECT_TRUE(Says("ia64\\QRES300.DLL: missing, and VKT300.INF")) << m_output;
    EXPECT_EQ(std::string::npos, m_output.find("  QX1000.inf\n"));
    EXPECT_EQ(2, Run("check " + Package() + " --digests \"" + (m_dir / "nowhere.txt").string() + "\""));
    EXPECT_EQ(2, Run("digests"));
}
