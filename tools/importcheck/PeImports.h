// What a 32-bit Windows program imports, read from the file itself: the
// header versions the loader checks, the import directory, and the
// delay-load descriptors. Pure byte work; no Windows header.
#ifndef QV_TOOLS_IMPORTCHECK_PEIMPORTS_H
#define QV_TOOLS_IMPORTCHECK_PEIMPORTS_H

#include <cstdint>
#include <string>
#include <vector>

enum class ImportKind { Static, Delay };

struct ImportedDll {
    std::string name;                    // as the file spells it
    ImportKind kind = ImportKind::Static;
    std::vector<std::string> functions;  // by name, or "#<ordinal>"
    // Delay-loaded functions whose import slot does not point into the
    // program: the stub that loads the DLL on the first call is missing (a
    // linker that dropped it), so that call jumps to wherever the slot points.
    std::vector<std::string> unboundFunctions;
};

struct PeImports {
    std::uint16_t machine = 0;           // 0x14c for i386
    std::uint16_t osVersionMajor = 0;
    std::uint16_t osVersionMinor = 0;
    std::uint16_t subsystemVersionMajor = 0;
    std::uint16_t subsystemVersionMinor = 0;
    std::uint16_t subsystem = 0;         // 2 window program, 3 console
    std::vector<ImportedDll> dlls;       // static first, then delay-loaded
};

// Reads IMAGE (the whole file). False with a reason in ERROR when it is not
// a 32-bit PE file or a table points outside it; nothing is read out of
// bounds and every table walk is bounded.
bool ReadPeImports(const std::vector<std::uint8_t>& image, PeImports& out, std::string& error);

#endif
