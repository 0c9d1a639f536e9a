// Whether a program file is the program that is running: its bytes against
// the image the loader laid out in memory. Pure (no Windows headers): the
// PE format is read from the bytes themselves, so the rule is tested
// natively on made-up images.
#ifndef QV_INSTALL_PROGRAMIMAGE_H
#define QV_INSTALL_PROGRAMIMAGE_H

#include <cstddef>
#include <cstdint>
#include <string>

// What the comparison found.
enum class ImageComparison {
    Same,         // headers and every read-only section are the file's
    NotAProgram,  // the file is no PE program (or a damaged one)
    Headers,      // the headers differ
    Section,      // a read-only section differs
};

// Compares `file` (a PE program file, `fileSize` bytes) with `image` (the
// same program as mapped by the loader, `imageSize` bytes from its base),
// which the loader placed at address `loadedBase`. The headers must be the
// file's but for the image base, which the loader may write into the mapped
// headers when it moves a program; every section the program cannot write
// (code, read-only data) and the resources (which linkers may mark
// writable, but nothing writes) must be the file's bytes, moved to
// `loadedBase` by the file's own base relocations. The other sections the
// program may write are not compared: the loader fills in the import table
// there, and the program's start-up has changed them by the time anyone
// asks.
// `where` names what differed (a section's name), for the log.
ImageComparison CompareFileWithImage(const unsigned char* file, std::size_t fileSize, const unsigned char* image,
                                     std::size_t imageSize, std::uint64_t loadedBase, std::string& where);

#endif
