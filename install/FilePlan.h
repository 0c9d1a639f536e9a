// Which driver files go where: the layouts of the printer-driver directory,
// the order in which files are staged, and the texts that describe each
// file's outcome. Pure decisions; the Win32 side lives in DriverFileStager.
#ifndef QV_INSTALL_FILEPLAN_H
#define QV_INSTALL_FILEPLAN_H

#include <string>
#include <vector>

#include "context/EmbeddedFiles.h"
#include "context/HelperProtocol.h"
#include "context/InstallContext.h"

// Legacy: 32-bit Windows 2000/XP/2003, every file straight in the driver
// directory. Subfolder: everything later, plug-ins and GPD files in folders.
enum class StagingLayout { Legacy, Subfolder };

// How one staged file ended.
enum class StageOutcome {
    Unchanged,
    Overwritten,
    OverwriteFailed,
    Generated,
    GenerationFailed,
    CompareOpenFailure,
};

// One file copied from the driver package beside the program.
struct PlannedCopy {
    std::wstring sourceFolder;
    std::wstring fileName;
    std::wstring targetFolder;
};

// One file written out of the program's own resources.
struct PlannedResource {
    unsigned id;
    std::wstring fileName;
    std::wstring targetFolder;
};

struct DriverFilePlan {
    StagingLayout layout = StagingLayout::Subfolder;
    std::vector<PlannedCopy> copies;        // steps 1 to 9, in order
    std::vector<PlannedResource> resources; // steps 10 to 13, in order
};

// The resource type of the unidriver core files and of the helper program.
extern const wchar_t* const kCoreFileResourceType;   // "win2kfile"
extern const wchar_t* const kHelperResourceType;     // "WIN7"
const unsigned kHelperResourceId = QV_EMBEDDED_HELPER_EXE_ID;

StagingLayout ChooseStagingLayout(const InstallContext& context);

// "\i386", "\amd64", "\ia64" or "" for the plug-in DLLs.
std::wstring ArchitectureSubfolder(const InstallContext& context);

// `folder` + "\" + `name`, with exactly one backslash between them.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// The folder part of a module path: everything before its last backslash,
// or empty when it has none.
std::wstring ModuleFolderOf(const std::wstring& modulePath);

// Steps 1 to 13 of the driver staging for the model of `context`.
DriverFilePlan MakeDriverFilePlan(const InstallContext& context, const std::wstring& infBaseName,
                                  const std::wstring& moduleFolder,
                                  const std::wstring& driverDirectory);

// The INF file and the security catalogue, module folder to driver directory.
std::vector<PlannedCopy> MakeInfAndCatalogPlan(const std::wstring& infBaseName,
                                               const std::wstring& moduleFolder,
                                               const std::wstring& driverDirectory);

// The diagnostic text of an outcome ("No need to copy（name：%s）" and its
// siblings, full-width brackets and colon). `subject` is the file name, or
// the full source path for CompareOpenFailure. A resource that is already
// in place has no text: `fromResource` with Unchanged gives "".
std::wstring StageDiagnosticText(StageOutcome outcome, const std::wstring& subject,
                                 bool fromResource);

#endif
