// Whether what a network printer says it is names the model being
// installed: the network's counterpart of the USB check, which finds the
// device key named after the model's hardware id.
#ifndef QV_INSTALL_DEVICEIDMATCH_H
#define QV_INSTALL_DEVICEIDMATCH_H

#include <string>

#include "context/PrinterModel.h"

// `said` is the printer's IEEE 1284 device id or, with `isDescription`, the
// description it gave instead.
//
// A device id names the model when its manufacturer and model run together
// (as Windows builds a printer's hardware id from them: "QuorvexQX1000" of
// "MFG:Quorvex;MDL:QX1000;"), or its model alone, equal the model's maker
// and INF name run together, blanks and letter case aside. A description
// names it when one of its words is the model's INF name ("Quorvex QX1000
// Series"); a description need not name the maker.
bool DeviceIdNamesModel(const std::wstring& said, bool isDescription, const PrinterModel& model);

#endif
