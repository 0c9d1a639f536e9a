#!/usr/bin/env python3
"""Prints the Authenticode SHA-256 digest of a PE file: the digest a signature
of the file records. It covers every byte except the header's checksum, the
certificate table's directory entry and the certificate table itself, so a
file and its signed copy have the same digest when signing changed nothing
else. Used by scripts/release.sh and its test.
    authenticode.py FILE"""
import hashlib
import struct
import sys


def authenticode_sha256(data: bytes) -> str:
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    checksum = opt + 64
    dirs = opt + (96 if magic == 0x10B else 112)
    cert_entry = dirs + 4 * 8
    cert_offset, cert_size = struct.unpack_from("<II", data, cert_entry)
    end = cert_offset if cert_offset else len(data)
    h = hashlib.sha256()
    h.update(data[:checksum])
    h.update(data[checksum + 4:cert_entry])
    h.update(data[cert_entry + 8:end])
    return h.hexdigest()


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        print(authenticode_sha256(f.read()))
