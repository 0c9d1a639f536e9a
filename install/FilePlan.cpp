#include "install/FilePlan.h"

#include "context/EmbeddedFiles.h"
#include "context/PackageFiles.h"

const wchar_t* const kCoreFileResourceType = L"win2kfile";
const wchar_t* const kHelperResourceType = L"WIN7";

StagingLayout ChooseStagingLayout(const InstallContext& context)
{
    return (!context.Is64BitWindows() && context.osMajorVersion <= 5) ? StagingLayout::Legacy
                                                                      : StagingLayout::Subfolder;
}

std::wstring ArchitectureSubfolder(const InstallContext& context)
{
    // The legacy layout and every 32-bit system stage the x86 plug-ins.
    if (ChooseStagingLayout(context) == StagingLayout::Legacy || !context.Is64BitWindows())
        return std::wstring(L"\\") + kPluginFolders[0];
    if (context.architectureDir == L"AMD64" || context.architectureDir == L"INTEL64")
        return std::wstring(L"\\") + kPluginFolders[1];
    if (context.architectureDir == L"IA64")
        return std::wstring(L"\\") + kPluginFolders[2];
    return std::wstring();
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name)
{
    if (!folder.empty() && folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

std::wstring ModuleFolderOf(const std::wstring& modulePath)
{
    const std::wstring::size_type slash = modulePath.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : modulePath.substr(0, slash);
}

DriverFilePlan MakeDriverFilePlan(const InstallContext& context, const std::wstring& infBaseName,
                                  const std::wstring& moduleFolder,
                                  const std::wstring& driverDirectory)
{
    const PrinterModel& model = context.model;
    DriverFilePlan plan;
    plan.layout = ChooseStagingLayout(context);
    const bool legacy = plan.layout == StagingLayout::Legacy;

    const std::wstring arch = ArchitectureSubfolder(context);
    const std::wstring pluginSource = moduleFolder + arch;
    // The legacy spooler wants every file flat in the driver directory.
    const std::wstring pluginTarget = legacy ? driverDirectory : driverDirectory + arch;
    const std::wstring gpdSource = JoinPath(moduleFolder, kGpdFolder);
    const std::wstring gpdTarget = legacy ? driverDirectory : JoinPath(driverDirectory, kGpdFolder);

    for (const PackageFile& file : ModelDriverFiles(model, infBaseName)) {
        switch (file.folder) {
        case PackageFolder::Plugins: plan.copies.push_back({pluginSource, file.name, pluginTarget}); break;
        case PackageFolder::Gpd: plan.copies.push_back({gpdSource, file.name, gpdTarget}); break;
        case PackageFolder::Top: plan.copies.push_back({moduleFolder, file.name, driverDirectory}); break;
        }
    }
    plan.resources = {
        {QV_EMBEDDED_UNIDRV_HLP_ID, WidenAscii(QV_EMBEDDED_UNIDRV_HLP_NAME), driverDirectory},
        {QV_EMBEDDED_UNIDRV_DLL_ID, WidenAscii(QV_EMBEDDED_UNIDRV_DLL_NAME), driverDirectory},
        {QV_EMBEDDED_UNIDRVUI_DLL_ID, WidenAscii(QV_EMBEDDED_UNIDRVUI_DLL_NAME), driverDirectory},
        {QV_EMBEDDED_UNIRES_DLL_ID, WidenAscii(QV_EMBEDDED_UNIRES_DLL_NAME), driverDirectory},
    };
    return plan;
}

std::vector<PlannedCopy> MakeInfAndCatalogPlan(const std::wstring& infBaseName,
                                               const std::wstring& moduleFolder,
                                               const std::wstring& driverDirectory)
{
    std::vector<PlannedCopy> copies;
    for (const PackageFile& file : ModelInfFiles(infBaseName))
        copies.push_back({moduleFolder, file.name, driverDirectory});
    return copies;
}

std::wstring StageDiagnosticText(StageOutcome outcome, const std::wstring& subject,
                                 bool fromResource)
{
    // U+FF08 and U+FF09 are the full-width brackets, U+FF1A the colon.
    const std::wstring open = L"\xFF08", close = L"\xFF09", named = L"\xFF08name\xFF1A";
    switch (outcome) {
    case StageOutcome::Unchanged:
        return fromResource ? std::wstring() : L"No need to copy" + named + subject + close;
    case StageOutcome::Overwritten:
        return L"Overwrite file success" + named + subject + close;
    case StageOutcome::OverwriteFailed:
        return L"Overwrite file failure" + named + subject + close;
    case StageOutcome::Generated:
        return L"Gen file success" + named + subject + close;
    case StageOutcome::GenerationFailed:
        return L"Gen file failure" + named + subject + close;
    case StageOutcome::CompareOpenFailure:
        return L"Open file failure" + open + subject + close;
    }
    return std::wstring();
}
