// What qpack does to and with INF files, without touching the file system:
// stamping the SecurityID into a file's bytes, and the list of package
// files the installer stages for a model.
#ifndef QV_QPACK_PACKCORE_H
#define QV_QPACK_PACKCORE_H

#include "context/PrinterModel.h"
#include "catalog/InfText.h"

#include <string>
#include <vector>

// Files without a byte order mark are read as Windows-1252 by the tool: it
// cannot know the code page of the machine that will run the installer, and
// everything the check looks at is ASCII in a well-formed INF file. Empty
// for a file the installer refuses to read (InfTextProblem).
std::wstring DecodeForTool(const std::vector<unsigned char>& bytes);

// Why the installer refuses to read the bytes as text at all ("" when it
// reads them): a UTF-8 file with an ill-formed sequence, with its offset.
std::string InfTextProblem(const std::vector<unsigned char>& bytes);

const char* EncodingName(InfEncoding encoding);

enum class SignOutcome {
    Replaced,    // an existing "SecurityID=" value was replaced
    Added,       // the line was added to the [Version] section
    Unchanged,   // the file already carried the right value
    Failed       // `error` says why; the bytes are untouched
};

struct SignResult {
    SignOutcome outcome = SignOutcome::Failed;
    std::wstring securityId;
    std::wstring expectedName;
    std::string error;
};

// Stamps the SecurityID that the installer will accept into `bytes`, the
// content of the INF file named `fileName` (the name decides the model
// key). Only the value after the first "SecurityID=" changes, or one line is
// inserted; encoding, byte order mark and line endings are kept. The result
// is checked the way the installer checks it before it is handed back.
SignResult SignInfBytes(const std::wstring& fileName, std::vector<unsigned char>& bytes);

// Writes the connections a model offers besides USB and parallel (the
// words "Network" and "Serial") into `bytes`, the content of an INF file:
// the value of its first "QuorvexConnections=" line is replaced, or a
// section holding that line is added at the end of the file. No word gives
// an empty value (nothing besides USB and parallel). Encoding, byte order
// mark, line endings and every other byte stay. False, with `error`, when
// the file cannot be edited; the bytes are then untouched.
bool SetConnectionsInfBytes(std::vector<unsigned char>& bytes, bool network, bool serial, std::string& error);

struct StagedFile {
    std::wstring folder;   // "" for the package's top folder, else "gpd", "i386", ...
    std::wstring name;
};

// Every file of the package that the installer copies for `model`, for any
// architecture: the plug-ins in i386, amd64 and ia64, the INI, the GPD
// files, the INF and the catalogue.
std::vector<StagedFile> PackageFilesFor(const PrinterModel& model);

#endif
