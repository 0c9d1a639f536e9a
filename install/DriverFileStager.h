// Lays the driver's files into the spooler's printer-driver directory: the
// model's files from the package beside the program, the unidriver core
// files and the helper service program from the program's own resources.
// Every file is written only when its target is missing or different.
#ifndef QV_INSTALL_DRIVERFILESTAGER_H
#define QV_INSTALL_DRIVERFILESTAGER_H

#include <windows.h>

#include <string>
#include <vector>

#include "context/InstallContext.h"
#include "context/PackageDigests.h"
#include "install/FilePlan.h"
#include "support/Handle.h"

class DriverFileStager {
public:
    // One file's outcome, for callers that want to see what happened.
    struct Record {
        std::wstring target;
        StageOutcome outcome;
    };

    // `resourceModule` holds the embedded files (null: the running program);
    // `moduleFolder` is where the driver package lies (empty: the running
    // program's folder); `commonFilesFolder` is where the helper folder goes
    // (empty: the system's common program-files folder).
    explicit DriverFileStager(const InstallContext& context, HMODULE resourceModule = nullptr,
                              const std::wstring& moduleFolder = std::wstring(),
                              const std::wstring& commonFilesFolder = std::wstring());

    ~DriverFileStager();
    DriverFileStager(const DriverFileStager&) = delete;
    DriverFileStager& operator=(const DriverFileStager&) = delete;

    // Steps 1 to 13: the model's plug-ins, INI and GPD files (missing ones are
    // passed over), then the four core files. False as soon as a core file
    // cannot be written or its resource is missing, or a file of other bytes
    // is in the way and cannot be replaced (held open): the driver folder
    // would hold bytes nobody checked. In an installer that carries the
    // package's digest list, also false as soon as a package file does not
    // match it (RefusedFile names it).
    bool StageDriverFiles(const std::wstring& infBaseName);
    // The INF file and the catalogue, beside the program to the driver
    // directory. True but for a file the digest list refuses, or one of other
    // bytes in the way that cannot be replaced.
    bool StageInfAndCatalog(const std::wstring& infBaseName);
    // Writes the helper program (WIN7 232) into <common files>\Services and
    // checks that the file there is ours byte for byte. From then on, until
    // ReleaseHelperService (or the end of this object), the file is held
    // open so that nobody can change, rename or delete it: the service
    // manager runs the file that was checked. False when the file is not
    // ours, for example a different one that could not be replaced.
    bool ExtractHelperService(const std::wstring& exeName);
    void ReleaseHelperService();

    bool WriteResourceFile(const std::wstring& type, unsigned id, const std::wstring& targetFolder,
                           const std::wstring& fileName);
    bool CopyDriverFile(const std::wstring& sourceFolder, const std::wstring& fileName,
                        const std::wstring& targetFolder);
    bool CopyFileIfChanged(const std::wstring& sourceFolder, const std::wstring& sourceName,
                           const std::wstring& targetFolder, const std::wstring& targetName);

    // The folders the operations work with.
    std::wstring DriverDirectory() const;
    std::wstring ModuleFolder() const;
    std::wstring HelperFolder() const;

    // The package file, as a list path, that did not match the digest list
    // (missing, a link, or other bytes); empty when none did.
    const std::wstring& RefusedFile() const { return m_refusedFile; }

    // When set, every staged file's outcome is appended there.
    void SetOutcomeLog(std::vector<Record>* log) { m_log = log; }
    // The folders this object created, in the order it made them.
    const std::vector<std::wstring>& CreatedFolders() const { return m_createdFolders; }

private:
    void Report(const std::wstring& target, StageOutcome outcome, const std::wstring& subject,
                bool fromResource);
    // Creates `folder` (and what it lacks above it) when it is not there.
    void EnsureFolder(const std::wstring& folder);
    // CopyFileIfChanged with the digest list: the source is read once,
    // checked, and exactly the checked bytes are written.
    bool CopyVouchedFile(const std::wstring& sourceFolder, const std::wstring& fileName,
                         const std::wstring& targetFolder);

    const InstallContext& m_context;
    HMODULE m_resourceModule;
    std::wstring m_moduleFolder;
    std::wstring m_commonFilesFolder;
    std::vector<Record>* m_log;
    UniqueFile m_helperHold;
    bool m_withDigests;
    PackageDigestList m_digests;
    std::wstring m_refusedFile;
    std::vector<std::wstring> m_createdFolders;
    // A file of other bytes could not be replaced in the current step.
    bool m_unreplaced = false;
};

// The running program's full path, however long; empty when the system
// cannot say.
std::wstring RunningProgramPath();

// The spooler's printer-driver directory for `environment` (local server),
// however long it is; empty when the spooler cannot say.
std::wstring GetDriverDirectory(const std::wstring& environment);

#endif
