// What a network printer says it is, against the model being installed.
#include "install/DeviceIdMatch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

PrinterModel Qx1000()
{
    PrinterModel model;
    model.manufacturer = L"Quorvex";
    model.namePrefix = L"QX";
    model.nameNumber = L"1000";
    model.infBaseName = L"QX1000";
    model.driverName = model.displayName = L"Quorvex QX1000";
    return model;
}

}  // namespace

TEST(DeviceIdMatch, DeviceIdsAndDescriptions)
{
    const struct {
        const wchar_t* said;
        bool isDescription;
        bool names;
    } cases[] = {
        // Device ids: maker and model run together, or the model alone.
        {L"MFG:Quorvex;MDL:QX1000;CMD:ESC/POS;CLS:PRINTER;", false, true},
        {L"manufacturer: QUORVEX ; model: qx 1000", false, true},
        {L"MFG:Quorvex;MDL:Quorvex QX1000;", false, true},
        {L"MFG:;MDL:QuorvexQX1000;", false, true},
        {L"MFG:Quorvex;MDL:QX2000;", false, false},
        {L"MFG:Quorvex;MDL:QX10000;", false, false},
        {L"MFG:Acme;MDL:QX1000;", false, false},
        {L"MFG:Quorvex;CMD:PCL;", false, false},  // no model: nothing to compare
        // Descriptions, and device ids that do not read as one: a word.
        {L"Quorvex QX1000 Series", true, true},
        {L"qx1000", true, true},
        {L"QX1000-EU rev.2", true, true},
        {L"QX10000", true, false},
        {L"Acme LaserJet", true, false},
        {L"", true, false},
        {L"Quorvex QX1000 (no pairs here)", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.said, c.said + std::char_traits<wchar_t>::length(c.said)));
        EXPECT_EQ(c.names, DeviceIdNamesModel(c.said, c.isDescription, Qx1000()));
    }
    PrinterModel nameless = Qx1000();
    nameless.infBaseName.clear();
    EXPECT_FALSE(DeviceIdNamesModel(L"MFG:Quorvex;MDL:;", false, nameless));
}
