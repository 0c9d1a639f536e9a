// Which cable types a model supports, from its hardware-id suffixes.
#ifndef QV_CONTEXT_CONNECTIONRULES_H
#define QV_CONTEXT_CONNECTIONRULES_H

#include <string>

#include "context/PrinterModel.h"

// A suffix is usable unless it is empty or its last four characters (the
// whole text when shorter) read "FFFF" in any letter case.
bool IsSuffixSupported(const std::wstring& suffix);

// Whether `model` offers the connection `type`: "USB" and "LPT" by its
// hardware ids, "NET" and "COM" as its package declares them.
bool OffersConnection(const PrinterModel& model, const std::wstring& type);

#endif
