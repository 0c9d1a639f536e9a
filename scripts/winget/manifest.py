#!/usr/bin/env python3
"""Writes the Windows Package Manager manifests of a release.

    manifest.py --root SOURCE_DIR --version 1.0.0.0 --arch x86 --zip RELEASE.zip
                --installer FOLDER/QuorvexSetup.exe --url URL --out DIR

DIR gets manifests/q/Quorvex/PrinterDriver/<version>/ with the version, the
installer and the default-locale manifest (format 1.6.0). The exit codes
come from context/ExitCodes.h, the product's texts from context/ProductInfo.h,
so that the manifest says what the program does. The output depends on its
inputs alone: two runs on the same release write the same bytes.
"""
import argparse
import hashlib
import os
import re
import sys

IDENTIFIER = "Quorvex.PrinterDriver"
MANIFEST_VERSION = "1.6.0"
LOCALE = "en-US"

# What a package manager does with each exit code that means more than
# "failed", by the name the program gives it.
RESPONSES = [
    ("kAlreadyRunningExitCode", "installInProgress"),
    ("kRemovedAtRestartExitCode", "rebootRequiredToFinish"),
    ("kBlockedByPolicyExitCode", "blockedByPolicy"),
    ("kDowngradeExitCode", "downgrade"),
    ("kBadCommandLineExitCode", "invalidParameter"),
    ("kRemovalCancelledExitCode", "cancelledByUser"),
]


def constants(path, pattern):
    with open(path, encoding="utf-8") as f:
        return dict(re.findall(pattern, f.read()))


def quoted(text):
    # A YAML string in double quotes: backslashes and quotes escaped.
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    parser = argparse.ArgumentParser()
    for name in ("root", "version", "zip", "installer", "url", "out"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--arch", choices=("x86", "x64"), required=True)
    a = parser.parse_args()

    codes = {k: int(v) for k, v in constants(os.path.join(a.root, "context", "ExitCodes.h"),
                                            r"const int (k\w+ExitCode) = (-?\d+);").items()}
    product = constants(os.path.join(a.root, "context", "ProductInfo.h"),
                        r'constexpr wchar_t (k\w+)\[\] = L"([^"]*)";')
    missing = [name for name, _ in RESPONSES if name not in codes]
    missing += [k for k in ("kName", "kPublisher", "kWebAddress") if k not in product]
    if missing:
        sys.exit("manifest.py: not found in context/: " + ", ".join(missing))
    with open(a.zip, "rb") as f:
        sha = hashlib.sha256(f.read()).hexdigest().upper()
    uninstall_key = "QuorvexPrinterDriver"  # the entry's key below ...\Uninstall (ProductInfo.h)
    if not re.search(r'kUninstallKey\[\] =\s*L"[^"]*\\\\' + uninstall_key + '"',
                     open(os.path.join(a.root, "context", "ProductInfo.h"), encoding="utf-8").read()):
        sys.exit("manifest.py: context/ProductInfo.h names another entry than " + uninstall_key)

    folder = os.path.join(a.out, "manifests", "q", "Quorvex", "PrinterDriver", a.version)
    os.makedirs(folder, exist_ok=True)
    head = ["# " + product["kName"] + " " + a.version + ", for the Windows Package Manager."]
    write(os.path.join(folder, IDENTIFIER + ".yaml"), head + [
        "PackageIdentifier: " + IDENTIFIER,
        "PackageVersion: " + quoted(a.version),
        "DefaultLocale: " + LOCALE,
        "ManifestType: version",
        "ManifestVersion: " + MANIFEST_VERSION,
    ])
    write(os.path.join(folder, IDENTIFIER + ".locale." + LOCALE + ".yaml"), head + [
        "PackageIdentifier: " + IDENTIFIER,
        "PackageVersion: " + quoted(a.version),
        "PackageLocale: " + LOCALE,
        "Publisher: " + quoted(product["kPublisher"]),
        "PublisherUrl: " + quoted(product["kWebAddress"]),
        "PackageName: " + quoted(product["kName"]),
        "PackageUrl: " + quoted(product["kWebAddress"]),
        "License: Proprietary",
        "ShortDescription: " + quoted("The printer driver of the Quorvex printer series, with its installer."),
        "Tags:",
        "- printer",
        "- driver",
        "ManifestType: defaultLocale",
        "ManifestVersion: " + MANIFEST_VERSION,
    ])
    returns = []
    for name, response in RESPONSES:
        returns += ["- InstallerReturnCode: %d" % codes[name], "  ReturnResponse: " + response]
    write(os.path.join(folder, IDENTIFIER + ".installer.yaml"), head + [
        "PackageIdentifier: " + IDENTIFIER,
        "PackageVersion: " + quoted(a.version),
        "InstallerLocale: " + LOCALE,
        "Platform:",
        "- Windows.Desktop",
        "Scope: machine",
        "InstallModes:",
        "- silent",
        "- silentWithProgress",
        "InstallerSwitches:",
        "  Silent: /quiet /model auto",
        "  SilentWithProgress: /quiet /model auto",
        "  Log: " + quoted('/log "<LOGPATH>"'),
        "ExpectedReturnCodes:",
    ] + returns + [
        "UpgradeBehavior: install",
        "ElevationRequirement: elevatesSelf",
        "AppsAndFeaturesEntries:",
        "- DisplayName: " + quoted(product["kName"]),
        "  Publisher: " + quoted(product["kPublisher"]),
        "  DisplayVersion: " + quoted(a.version),
        "  ProductCode: " + uninstall_key,
        "Installers:",
        "- Architecture: " + a.arch,
        "  InstallerType: zip",
        "  NestedInstallerType: exe",
        "  NestedInstallerFiles:",
        "  - RelativeFilePath: " + quoted(a.installer.replace("/", "\\")),
        "  InstallerUrl: " + quoted(a.url),
        "  InstallerSha256: " + sha,
        "ManifestType: installer",
        "ManifestVersion: " + MANIFEST_VERSION,
    ])
    print("manifest.py: " + folder)


if __name__ == "__main__":
    main()
