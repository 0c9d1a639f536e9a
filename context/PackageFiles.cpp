#include "context/PackageFiles.h"

const wchar_t* const kPluginFolders[3] = {L"i386", L"amd64", L"ia64"};
const wchar_t* const kGpdFolder = L"gpd";

std::vector<PackageFile> ModelDriverFiles(const PrinterModel& model, const std::wstring& infBaseName)
{
    const std::wstring& number = model.nameNumber;
    return {
        {PackageFolder::Plugins, L"QUNI" + number + L".DLL"},
        {PackageFolder::Plugins, L"QUI" + number + L".DLL"},
        {PackageFolder::Plugins, L"QRES" + number + L".DLL"},
        {PackageFolder::Top, model.namePrefix + number + L".INI"},
        {PackageFolder::Gpd, infBaseName + L".gpd"},
        {PackageFolder::Gpd, infBaseName + L"U.gpd"},
        {PackageFolder::Gpd, L"Common6.gpd"},
        {PackageFolder::Gpd, L"CommonU6.gpd"},
        {PackageFolder::Gpd, L"STDNAMES.GPD"},
    };
}

std::vector<PackageFile> ModelInfFiles(const std::wstring& infBaseName)
{
    return {
        {PackageFolder::Top, infBaseName + L".inf"},
        {PackageFolder::Top, infBaseName + L".cat"},
    };
}
