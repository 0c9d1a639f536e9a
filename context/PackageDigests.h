// The package's digest list: the SHA-256 of every file of the driver
// package the installer may install, written by the packaging tool and
// carried inside a release installer, which installs only files that match.
//
// The text is UTF-8, one line per file, "\n" after every line:
//     <64 lowercase hex digits><two spaces><path relative to the package, '\' between folders>
// sorted by the bytes of the ASCII-lowercased path, each path once. Paths
// match without regard to ASCII letter case, as file names do on Windows.
#ifndef QV_CONTEXT_PACKAGEDIGESTS_H
#define QV_CONTEXT_PACKAGEDIGESTS_H

#include <map>
#include <string>
#include <vector>

#include "context/PrinterModel.h"

struct DigestLine {
    std::string digest;  // 64 lowercase hex digits
    std::wstring path;   // relative, backslashes
};

// The list's text: lines sorted, a path given twice written once (the first
// digest given). False, with `text` empty, when a digest is not 64 lowercase
// hex digits or a path is empty, absolute, holds '/', a control character or
// a lone surrogate.
bool FormatDigestList(std::vector<DigestLine> lines, std::string& text);

// Every file of the package that the installer may install for `model`, as
// list paths: the plug-ins of every architecture folder, the INI and GPD
// files, the INF file and the catalogue (ModelDriverFiles, ModelInfFiles).
std::vector<std::wstring> ModelPackagePaths(const PrinterModel& model);

// The list path of one of the model's INF files ("QX1000.inf").
std::wstring InfListPath(const std::wstring& infBaseName);

class PackageDigestList {
public:
    // Reads a list text. False when it is not exactly in the list's format
    // (unsorted, a path twice, a missing final "\n", ...): the list then
    // vouches for nothing.
    bool Parse(const std::string& text);

    // True when `path` is listed with exactly `digest`.
    bool Vouches(const std::wstring& path, const std::string& digest) const;
    // True when `path` is listed at all.
    bool Lists(const std::wstring& path) const;

    std::size_t Size() const { return m_digests.size(); }

private:
    std::map<std::string, std::string> m_digests;  // lowered UTF-8 path -> digest
};

#endif
