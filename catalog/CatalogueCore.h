// Building catalogue entries from INF file names and texts, without the
// platform: the installer's shell supplies the folder listing and the file
// reader, the packaging tool and the tests supply their own.
#ifndef QV_CATALOG_CATALOGUECORE_H
#define QV_CATALOG_CATALOGUECORE_H

#include "context/PrinterModel.h"
#include "catalog/InfFields.h"

#include <functional>
#include <string>
#include <vector>

// The accepted models in list-box order: entry i is list line i.
typedef std::vector<PrinterModel> ModelCatalogue;

// Upper-cases every name (a..z) and sorts the list in descending order of
// UTF-16 code units, with the exchange sort the list has always used (so Z
// comes before A, and equal names keep no particular order).
void SortInfNames(std::vector<std::wstring>& names);

// infBaseName = the name without its last 4 characters ("QX1000.INF" gives
// "QX1000"), split at its first decimal digit.
void SplitInfName(const std::wstring& upperName, std::wstring& infBaseName,
                  std::wstring& namePrefix, std::wstring& nameNumber);

// True when NAME can be a printer's name, a quoted value of the
// printer-installation command and the first field of the default-printer
// entry "name,winspool,port": not empty, and without '"' (it would end the
// quoted value and add switches to an elevated command), ',' (it splits the
// entry; printer names may not hold it), '\\' (printer names may not hold
// it) or a control character.
bool IsUsablePrinterName(const std::wstring& name);

// Everything the catalogue decides about one file, for the installer (which
// keeps `model` when `accepted`) and for the packaging tool's report.
struct InfAssessment {
    PrinterModel model;   // every field but connectionType filled
    InfIds ids;
    SecurityCheck check;
    bool nameUsable = false;  // IsUsablePrinterName of the display (and driver) name
    bool accepted = false;    // authentic, and its names usable
};

// `upperName` is the file name as SortInfNames left it; `text` its decoded text.
InfAssessment AssessInf(const std::wstring& upperName, const std::wstring& text);

// Reads one INF file (by its upper-case name) as text; false skips the file.
typedef std::function<bool(const std::wstring& upperName, std::wstring& text)> InfTextSource;

// Whether the package's other files vouch for an accepted model.
typedef std::function<bool(const PrinterModel& model)> ModelFilesCheck;

// Sorts the names, reads and checks each file in order, and returns the
// accepted models in that order. With `filesCheck`, an accepted model it
// refuses is left out too.
ModelCatalogue CollectModels(std::vector<std::wstring> names, const InfTextSource& read,
                             const ModelFilesCheck& filesCheck = ModelFilesCheck());

#endif
