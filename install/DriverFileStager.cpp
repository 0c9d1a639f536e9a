#include "install/DriverFileStager.h"

#include <shlobj.h>
#include <string.h>

#include <utility>
#include <winspool.h>

#include "catalog/PackageVouching.h"
#include "support/DiskObject.h"
#include "support/PlainFile.h"
#include "support/Handle.h"
#include "support/ResString.h"

namespace {

using File = UniqueFile;

HANDLE OpenForReading(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The file's length, or false when it is too large to compare in memory.
bool GetLength(const File& file, DWORD& length)
{
    DWORD high = 0;
    length = GetFileSize(file.Get(), &high);
    return !(length == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) && high == 0;
}

bool ReadAll(const File& file, DWORD length, std::vector<char>& data)
{
    data.resize(length);
    DWORD done = 0;
    while (done < length) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), data.data() + done, length - done, &got, nullptr) || got == 0)
            return false;
        done += got;
    }
    return true;
}

// True when the open file holds exactly `data`.
bool Holds(const File& file, const char* data, DWORD size)
{
    DWORD length = 0;
    if (!file.IsValid() || !GetLength(file, length) || length != size)
        return false;
    std::vector<char> bytes;
    return ReadAll(file, length, bytes) && (size == 0 || memcmp(bytes.data(), data, size) == 0);
}

bool FileHolds(const std::wstring& path, const char* data, DWORD size)
{
    return Holds(File(OpenForReading(path)), data, size);
}

// A find-first on the exact path: true for a file (not a folder) of that name.
bool PathNamesFile(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileW(path.c_str(), &data));
    if (!find)
        return false;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The bytes of one resource. False when it cannot be found or loaded.
bool LoadResourceBytes(HMODULE module, const std::wstring& type, unsigned id, const char*& data,
                       DWORD& size)
{
    const void* bytes = nullptr;
    if (!ResourceBytes(module, type.c_str(), MAKEINTRESOURCEW(id), bytes, size))
        return false;
    data = static_cast<const char*>(bytes);
    return true;
}

std::wstring RunningModuleFolder()
{
    return ModuleFolderOf(RunningProgramPath());
}

std::wstring CommonFilesFolder()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PROGRAM_FILES_COMMON, FALSE))
        return std::wstring();
    return buffer;
}

} // namespace

std::wstring GetDriverDirectory(const std::wstring& environment)
{
    // Ask for the size first: the folder is not bound to 260 characters.
    DWORD needed = 0;
    GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(environment.c_str()), 1, nullptr, 0, &needed);
    if (needed == 0)
        needed = MAX_PATH * sizeof(wchar_t);
    std::vector<wchar_t> buffer(needed / sizeof(wchar_t) + 1);
    if (!GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(environment.c_str()), 1,
                                    reinterpret_cast<LPBYTE>(buffer.data()),
                                    static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t)), &needed))
        return std::wstring();
    return buffer.data();
}

DriverFileStager::DriverFileStager(const InstallContext& context, HMODULE resourceModule,
                                   const std::wstring& moduleFolder,
                                   const std::wstring& commonFilesFolder)
    : m_context(context), m_resourceModule(resourceModule), m_moduleFolder(moduleFolder),
      m_commonFilesFolder(commonFilesFolder), m_log(nullptr), m_withDigests(false)
{
    m_withDigests = LoadPackageDigests(m_resourceModule, m_digests);
}

DriverFileStager::~DriverFileStager() = default;

std::wstring DriverFileStager::DriverDirectory() const
{
    return GetDriverDirectory(m_context.environment);
}

std::wstring DriverFileStager::ModuleFolder() const
{
    return m_moduleFolder.empty() ? RunningModuleFolder() : m_moduleFolder;
}

std::wstring DriverFileStager::HelperFolder() const
{
    return HelperFolderOf(m_commonFilesFolder.empty() ? CommonFilesFolder() : m_commonFilesFolder);
}

void DriverFileStager::Report(const std::wstring& target, StageOutcome outcome,
                              const std::wstring& subject, bool fromResource)
{
    // The texts are for a developer with a debugger attached, never for the user.
    const std::wstring text = StageDiagnosticText(outcome, subject, fromResource);
    if (!text.empty())
        OutputDebugStringW((text + L"\n").c_str());
    if (m_log)
        m_log->push_back(Record{target, outcome});
    if (outcome == StageOutcome::OverwriteFailed)
        m_unreplaced = true;
}

void DriverFileStager::EnsureFolder(const std::wstring& folder)
{
    CDiskObject disk;
    if (disk.DirectoryExists(folder))
        return;
    if (disk.CreateDirectoryTree(folder))
        m_createdFolders.push_back(folder);
}

bool DriverFileStager::WriteResourceFile(const std::wstring& type, unsigned id,
                                         const std::wstring& targetFolder,
                                         const std::wstring& fileName)
{
    const std::wstring target = JoinPath(targetFolder, fileName);
    EnsureFolder(targetFolder);

    const char* data = nullptr;
    DWORD size = 0;
    if (!LoadResourceBytes(m_resourceModule, type, id, data, size)) {
        // Without its bytes the file cannot be written: writing an empty file
        // would leave a broken driver behind (or destroy a good one).
        Report(target, StageOutcome::GenerationFailed, fileName, true);
        return false;
    }

    if (CDiskObject().FileExists(target)) {
        if (FileHolds(target, data, size)) {
            Report(target, StageOutcome::Unchanged, fileName, true);
            return true;
        }
        // Other bytes that cannot be replaced (a file held open) would be
        // registered as ours unchecked: the staging fails.
        const bool replaced = WriteFileThroughScratch(target, data, size, true);
        Report(target, replaced ? StageOutcome::Overwritten : StageOutcome::OverwriteFailed,
               fileName, true);
        return replaced;
    }
    const bool created = WriteFileThroughScratch(target, data, size, false);
    Report(target, created ? StageOutcome::Generated : StageOutcome::GenerationFailed, fileName, true);
    return created;
}

bool DriverFileStager::CopyFileIfChanged(const std::wstring& sourceFolder,
                                         const std::wstring& sourceName,
                                         const std::wstring& targetFolder,
                                         const std::wstring& targetName)
{
    EnsureFolder(targetFolder);
    const std::wstring target = JoinPath(targetFolder, targetName);
    const std::wstring source = JoinPath(sourceFolder, sourceName);
    // The name must stay a name: no folder part, no stream, no wildcard.
    if (targetName.empty() || targetName.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
        Report(target, StageOutcome::GenerationFailed, targetName, false);
        return false;
    }

    if (PathNamesFile(target)) {
        bool identical = false;
        bool sourceRead = false;
        std::vector<char> sourceBytes;
        {
            File targetFile(OpenForReading(target));
            File sourceFile(OpenForReading(source));
            DWORD sourceLength = 0;
            sourceRead = sourceFile.IsValid() && GetLength(sourceFile, sourceLength) &&
                         ReadAll(sourceFile, sourceLength, sourceBytes);
            if (!targetFile.IsValid() || !sourceFile.IsValid()) {
                Report(target, StageOutcome::CompareOpenFailure, source, false);
                // A model file missing from the package is passed over, as
                // where there is no target: the spooler names it.
                if (!sourceRead)
                    return false;
            } else {
                DWORD targetLength = 0;
                std::vector<char> targetBytes;
                identical = sourceRead && GetLength(targetFile, targetLength) && targetLength == sourceLength &&
                            ReadAll(targetFile, targetLength, targetBytes) && targetBytes == sourceBytes;
            }
        }
        if (identical) {
            Report(target, StageOutcome::Unchanged, targetName, false);
            return true;
        }
        // The new bytes replace the old file only once they are written
        // whole, so a copy that fails halfway leaves the old file intact.
        const bool copied = sourceRead && WriteFileThroughScratch(target, sourceBytes.data(),
                                                                  static_cast<DWORD>(sourceBytes.size()), true);
        Report(target, copied ? StageOutcome::Overwritten : StageOutcome::OverwriteFailed, targetName, false);
        return copied;
    }
    std::vector<char> bytes;
    File sourceFile(OpenForReading(source));
    DWORD length = 0;
    const bool copied = sourceFile.IsValid() && GetLength(sourceFile, length) && ReadAll(sourceFile, length, bytes) &&
                        WriteFileThroughScratch(target, bytes.data(), length, false);
    Report(target, copied ? StageOutcome::Generated : StageOutcome::GenerationFailed, targetName, false);
    return copied;
}

bool DriverFileStager::CopyVouchedFile(const std::wstring& sourceFolder, const std::wstring& fileName,
                                       const std::wstring& targetFolder)
{
    EnsureFolder(targetFolder);
    const std::wstring target = JoinPath(targetFolder, fileName);
    // The file's path in the list: the plan's source folders are the
    // package folder or one folder inside it.
    const std::wstring module = ModuleFolder();
    std::wstring listPath;
    if (sourceFolder == module)
        listPath = fileName;
    else if (sourceFolder.size() > module.size() + 1 && sourceFolder.compare(0, module.size(), module) == 0 &&
             sourceFolder[module.size()] == L'\\')
        listPath = JoinPath(sourceFolder.substr(module.size() + 1), fileName);
    std::vector<char> bytes;
    if (listPath.empty() || fileName.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos ||
        !ReadVouchedFile(m_digests, module, listPath, bytes)) {
        m_refusedFile = listPath.empty() ? JoinPath(sourceFolder, fileName) : listPath;
        Report(target, StageOutcome::GenerationFailed, fileName, false);
        return false;
    }
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (PathNamesFile(target)) {
        if (FileHolds(target, bytes.data(), size)) {
            Report(target, StageOutcome::Unchanged, fileName, false);
            return true;
        }
        const bool replaced = WriteFileThroughScratch(target, bytes.data(), size, true);
        Report(target, replaced ? StageOutcome::Overwritten : StageOutcome::OverwriteFailed, fileName, false);
        return replaced;
    }
    const bool created = WriteFileThroughScratch(target, bytes.data(), size, false);
    Report(target, created ? StageOutcome::Generated : StageOutcome::GenerationFailed, fileName, false);
    return created;
}

bool DriverFileStager::CopyDriverFile(const std::wstring& sourceFolder, const std::wstring& fileName,
                                      const std::wstring& targetFolder)
{
    if (m_withDigests)
        return CopyVouchedFile(sourceFolder, fileName, targetFolder);
    return CopyFileIfChanged(sourceFolder, fileName, targetFolder, fileName);
}

bool DriverFileStager::StageDriverFiles(const std::wstring& infBaseName)
{
    // Without the spooler's folder every target would be a path from the
    // root of the current drive: write nothing rather than scatter files.
    const std::wstring driverDirectory = DriverDirectory();
    if (driverDirectory.empty())
        return false;
    const DriverFilePlan plan = MakeDriverFilePlan(m_context, infBaseName, ModuleFolder(), driverDirectory);
    // A model file that is missing does not stop the staging; the spooler
    // reports it when the driver is installed. With the digest list every
    // file must be there and match it. A file of other bytes that could not
    // be replaced stops it either way.
    m_unreplaced = false;
    for (const PlannedCopy& copy : plan.copies)
        if (!CopyDriverFile(copy.sourceFolder, copy.fileName, copy.targetFolder) && (m_withDigests || m_unreplaced))
            return false;
    for (const PlannedResource& resource : plan.resources)
        if (!WriteResourceFile(kCoreFileResourceType, resource.id, resource.targetFolder,
                               resource.fileName))
            return false;
    return true;
}

bool DriverFileStager::StageInfAndCatalog(const std::wstring& infBaseName)
{
    const std::wstring driverDirectory = DriverDirectory();
    if (driverDirectory.empty())
        return false;
    m_unreplaced = false;
    for (const PlannedCopy& copy : MakeInfAndCatalogPlan(infBaseName, ModuleFolder(), driverDirectory))
        if (!CopyDriverFile(copy.sourceFolder, copy.fileName, copy.targetFolder) && (m_withDigests || m_unreplaced))
            return false;
    return true;
}

bool DriverFileStager::ExtractHelperService(const std::wstring& exeName)
{
    ReleaseHelperService();
    // No common files folder: "\Services" would land in a drive's root.
    if (m_commonFilesFolder.empty() && CommonFilesFolder().empty())
        return false;
    const std::wstring folder = HelperFolder();
    EnsureFolder(folder);
    if (!WriteResourceFile(kHelperResourceType, kHelperResourceId, folder, exeName))
        return false;

    // The program is run as a service of the local system: it must be ours
    // byte for byte (a different file that could not be replaced is not),
    // and stay so until the service has run. The handle lets others read
    // and run the file but neither change, rename nor delete it.
    const char* data = nullptr;
    DWORD size = 0;
    if (!LoadResourceBytes(m_resourceModule, kHelperResourceType, kHelperResourceId, data, size))
        return false;
    File file(CreateFileW(JoinPath(folder, exeName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!Holds(file, data, size))
        return false;
    m_helperHold = std::move(file);
    return true;
}

void DriverFileStager::ReleaseHelperService()
{
    m_helperHold.Reset();
}

std::wstring RunningProgramPath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}
