// libFuzzer target: arbitrary bytes as an INF file, through everything the
// installer and qpack do with one: decoding in every encoding (UTF-8
// strictly: what it reads encodes back to the very same bytes), the field
// search, the SecurityID check, and qpack's in-place signing.
#include "catalog/CatalogueCore.h"
#include "catalog/InfText.h"
#include "tools/qpack/PackCore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
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
    // The bytes as UTF-8 without a mark: read strictly, or refused at a byte
    // of the data with nothing read.
    std::wstring utf8;
    std::size_t at = size;
    if (DecodeUtf8(data, size, utf8, &at))
        Require(EncodeUtf8(utf8) == std::string(reinterpret_cast<const char*>(data), size));
    else
        Require(at < size && utf8.empty());

    std::wstring latin1, western;
    const bool readLatin1 = DecodeInfText(data, size, DecodeLatin1, latin1);
    const bool readWestern = DecodeInfText(data, size, DecodeWindows1252, western);
    Require(readLatin1 == readWestern && latin1.size() == western.size());
    Require(readWestern || western.empty());

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
