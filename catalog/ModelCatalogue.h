// The model catalogue: one PrinterModel per authentic INF file in the
// program's folder, in the order the model list shows them.
#ifndef QV_CATALOG_MODELCATALOGUE_H
#define QV_CATALOG_MODELCATALOGUE_H

#include "catalog/CatalogueCore.h"   // ModelCatalogue, PrinterModel

#include <string>

// The folder of the running program: its full path up to, not including,
// the last backslash (empty when the path has none).
std::wstring GetProgramFolder();

// The whole file as UTF-16 text, by its byte order mark (UTF-16 LE/BE,
// UTF-8) or, without one, in the ANSI code page of the keyboard layout's
// language. False when the file cannot be opened or read, is too large to
// be an INF file, or is UTF-8 with an ill-formed sequence (DecodeUtf8); the
// caller then skips it.
bool ReadInfText(const std::wstring& path, std::wstring& text);

// Lists "*.inf" in `folder`, sorts the upper-cased names in descending
// order, reads and checks each file and returns the accepted models.
ModelCatalogue BuildModelCatalogue(const std::wstring& folder);

#endif
