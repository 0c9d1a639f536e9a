// libFuzzer target: arbitrary bytes as an INF file, through everything the
// installer and qpack do with one: decoding in every encoding, the field
// search, the SecurityID check, and qpack's in-place signing.
#include "catalog/CatalogueCore.h"
#include "catalog/InfText.h"
#include "tools/qpack/PackCore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// The model keys of the seed corpus, and one from outside it.
const wchar_t* const kNames[] = {L"QX1000.INF", L"QX2000.INF", L"VKT300.INF", L"MX20.INF"};

void Require(bool condition)
{
    if (!condition)
        std::abort();  // reported by libFuzzer as a crash, with the input
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::wstring latin1 = DecodeInfText(data, size, DecodeLatin1);
    std::wstring western = DecodeInfText(data, size, DecodeWindows1252);
    Require(latin1.size() == western.size());

    for (const wchar_t* name : kNames) {
        InfAssessment a = AssessInf(name, western);
        Require(a.model.namePrefix + a.model.nameNumber == a.model.infBaseName);
        Require(!a.model.lptIdSuffix.empty() || a.ids.lptIdSuffix.empty());
        Require(!a.accepted || a.check.wellFormed);
    }

    // Signing either fails and leaves the bytes alone, or yields a file the
    // installer accepts, which a second signing leaves unchanged.
    std::vector<unsigned char> bytes(data, data + size);
    const wchar_t* name = kNames[size % 4];
    SignResult first = SignInfBytes(name, bytes);
    if (first.outcome == SignOutcome::Failed) {
        Require(std::vector<unsigned char>(data, data + size) == bytes);
        return 0;
    }
    Require(AssessInf(name, DecodeForTool(bytes)).accepted);
    SignResult second = SignInfBytes(name, bytes);
    Require(second.outcome == SignOutcome::Unchanged);
    return 0;
}
