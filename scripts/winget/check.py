#!/usr/bin/env python3
"""Checks a release's Windows Package Manager manifests.

    check.py RELEASE_DIR

Every manifest below RELEASE_DIR/winget must match the schema of its type in
scripts/winget/schema-1.6.0 (python3-jsonschema, python3-yaml); the set must
name one package and version; the installer manifest's SHA-256 must be the
release zip's, its nested installer must be in the zip, and the entry it
describes must be the version's. Prints what it checked; exits 1 at the
first finding.
"""
import glob
import hashlib
import json
import os
import sys
import zipfile

import jsonschema
import yaml


def fail(text):
    print("check.py: " + text)
    sys.exit(1)


def main():
    release = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    schemas = {}
    for path in glob.glob(os.path.join(here, "schema-1.6.0", "*.json")):
        with open(path, encoding="utf-8") as f:
            schema = json.load(f)
        jsonschema.Draft202012Validator.check_schema(schema)
        schemas[os.path.basename(path).split(".")[1]] = jsonschema.Draft202012Validator(schema)
    manifests = sorted(glob.glob(os.path.join(release, "winget", "manifests", "**", "*.yaml"), recursive=True))
    if len(manifests) != 3:
        fail("expected the version, installer and default-locale manifests, found %d" % len(manifests))
    by_type = {}
    for path in manifests:
        with open(path, encoding="utf-8") as f:
            data = yaml.safe_load(f)
        kind = data.get("ManifestType")
        if kind not in schemas:
            fail("%s: no schema for manifest type %r" % (path, kind))
        errors = sorted(schemas[kind].iter_errors(data), key=str)
        if errors:
            fail("%s does not match the %s schema: %s" % (path, kind, errors[0].message))
        by_type[kind] = data
        print("check.py: %s matches the %s schema" % (os.path.relpath(path, release), kind))
    ids = {(m["PackageIdentifier"], m["PackageVersion"]) for m in by_type.values()}
    if len(ids) != 1 or set(by_type) != {"version", "installer", "defaultLocale"}:
        fail("the manifests do not describe one package version: %s" % sorted(ids))
    version = by_type["version"]["PackageVersion"]
    installer = by_type["installer"]["Installers"][0]
    zips = glob.glob(os.path.join(release, "*.zip"))
    if len(zips) != 1:
        fail("expected one zip in the release, found %d" % len(zips))
    with open(zips[0], "rb") as f:
        sha = hashlib.sha256(f.read()).hexdigest()
    if installer["InstallerSha256"].lower() != sha:
        fail("InstallerSha256 %s is not the zip's %s" % (installer["InstallerSha256"], sha))
    nested = installer["NestedInstallerFiles"][0]["RelativeFilePath"].replace("\\", "/")
    if nested not in zipfile.ZipFile(zips[0]).namelist():
        fail("the nested installer %s is not in the zip" % nested)
    if not installer["InstallerUrl"].endswith("/" + os.path.basename(zips[0])):
        fail("InstallerUrl %s does not name the zip" % installer["InstallerUrl"])
    entry = by_type["installer"]["AppsAndFeaturesEntries"][0]
    if entry["DisplayVersion"] != version:
        fail("the entry's DisplayVersion %s is not the version %s" % (entry["DisplayVersion"], version))
    print("check.py: version %s, zip SHA-256 %s, nested installer %s" % (version, sha, nested))


if __name__ == "__main__":
    main()
