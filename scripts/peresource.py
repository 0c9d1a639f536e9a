#!/usr/bin/env python3
"""Writes the bytes of one resource of a PE file to standard output, found
through the file's resource directory as Windows finds it (type, then name,
then language). Used by the release test to read what an installer carries,
and useful to look inside a published installer:
    peresource.py FILE TYPE NAME
TYPE and NAME are numbers (RCDATA is 10) or names (WIN7), names compared
without regard to case as Windows does. Exits with status 1 and a message
when the file has no such resource, or has it in more than one language
(the installer asks for no language, so which one it gets would be unclear)."""
import struct
import sys

RT_NAMES = {"RCDATA": 10}


class PeError(Exception):
    pass


def _unpack(fmt, data, at):
    if at < 0 or at + struct.calcsize(fmt) > len(data):
        raise PeError("truncated file (offset %#x)" % at)
    return struct.unpack_from(fmt, data, at)


def _file_offset(sections, data, rva, size):
    """The file offset of size bytes at rva, which must lie in one section's
    bytes on disk."""
    for va, vsize, raw_size, raw in sections:
        if va <= rva and rva + size <= va + max(vsize, raw_size):
            at = raw + (rva - va)
            if rva + size > va + raw_size or at + size > len(data):
                raise PeError("resource bytes at rva %#x are not in the file" % rva)
            return at
    raise PeError("rva %#x is in no section" % rva)


def _entries(data, base, at):
    """(key, is_directory, offset) of a resource directory's entries: key is
    an int id or an upper-case name."""
    named, ids = _unpack("<HH", data, at + 12)
    out = []
    for i in range(named + ids):
        name, target = _unpack("<II", data, at + 16 + 8 * i)
        if name & 0x80000000:
            length = _unpack("<H", data, base + (name & 0x7FFFFFFF))[0]
            start = base + (name & 0x7FFFFFFF) + 2
            if start + 2 * length > len(data):
                raise PeError("truncated resource name")
            key = data[start:start + 2 * length].decode("utf-16-le").upper()
        else:
            key = name & 0xFFFF
        out.append((key, bool(target & 0x80000000), target & 0x7FFFFFFF))
    return out


def _subdirectory(data, base, at, key, what):
    matches = [e for e in _entries(data, base, at) if e[0] == key]
    if not matches:
        raise PeError("no %s" % what)
    if len(matches) > 1 or not matches[0][1]:
        raise PeError("malformed resource directory at %s" % what)
    return base + matches[0][2]


def read_resource(data, rtype, rname):
    """The bytes of resource (rtype, rname); each is an int or a name."""
    if data[:2] != b"MZ":
        raise PeError("not a PE file")
    pe = _unpack("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise PeError("not a PE file")
    count, opt_size = _unpack("<H", data, pe + 6)[0], _unpack("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = _unpack("<H", data, opt)[0]
    if magic not in (0x10B, 0x20B):
        raise PeError("unknown optional header %#x" % magic)
    dirs = opt + (96 if magic == 0x10B else 112)
    if _unpack("<I", data, dirs - 4)[0] <= 2:
        raise PeError("no resource directory")
    res_rva, res_size = _unpack("<II", data, dirs + 2 * 8)
    if not res_rva or not res_size:
        raise PeError("no resource directory")
    sections = []
    for i in range(count):
        vsize, va, raw_size, raw = _unpack("<IIII", data, opt + opt_size + 40 * i + 8)
        sections.append((va, vsize, raw_size, raw))
    base = _file_offset(sections, data, res_rva, 16)

    if isinstance(rtype, str):
        rtype = rtype.upper()
    if isinstance(rname, str):
        rname = rname.upper()
    names = _subdirectory(data, base, base, rtype, "resources of type %s" % rtype)
    what = "resource %s of type %s" % (rname, rtype)
    languages = _subdirectory(data, base, names, rname, what)
    leaves = _entries(data, base, languages)
    if len(leaves) != 1 or leaves[0][1]:
        raise PeError("%s is there in %d languages, not one" % (what, len(leaves)))
    rva, size = _unpack("<II", data, base + leaves[0][2])
    at = _file_offset(sections, data, rva, size)
    return data[at:at + size]


def _key(text):
    if text.upper() in RT_NAMES:
        return RT_NAMES[text.upper()]
    return int(text) if text.isdigit() else text


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        contents = f.read()
    try:
        found = read_resource(contents, _key(sys.argv[2]), _key(sys.argv[3]))
    except PeError as e:
        sys.exit("%s: %s" % (sys.argv[1], e))
    sys.stdout.buffer.write(found)
