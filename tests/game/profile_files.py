#!/usr/bin/env python3
"""Writes player save files the way the game stores them, independently of the
engine's code, into the save folder given as the only argument.

profile_list.json: plain JSON {"current": int, "profiles": [{"id", "name"}]} with
each name in standard Base64 of its UTF-8 bytes. p_NNNNNN.json: a 16-digit decimal
header of the byte sum of the JSON text (modulo 2^32), then that compact JSON text,
{"profile": {"game_data": ...}}.
"""
import base64
import json
import os
import sys


def compact(value):
    return json.dumps(value, separators=(",", ":"), ensure_ascii=False).encode("utf-8")


def checksummed(content):
    return ("%016d" % (sum(content) & 0xFFFFFFFF)).encode("ascii") + content


def main(folder):
    os.makedirs(folder, exist_ok=True)
    profiles = [
        ("p_000000", "Anna"),
        ("p_000003", "Bj\u00f6rn \u2603"),
        ("p_000007", "cheater"),
        ("p_000009", "Trunc"),
        ("p_000004", "Empty"),
    ]
    listing = {
        "current": 1,
        "profiles": [{"id": i, "name": base64.b64encode(n.encode("utf-8")).decode("ascii")} for i, n in profiles],
    }
    with open(os.path.join(folder, "profile_list.json"), "wb") as f:
        f.write(compact(listing))

    def write(name, data):
        with open(os.path.join(folder, name + ".json"), "wb") as f:
            f.write(data)

    anna = {"profile": {"game_data": {"level": 3, "items": ["key", "lamp"], "done": True, "ratio": 0.25,
                                      "room": "attic"}}}
    bjorn = {"profile": {"game_data": {"level": 7, "note": "caf\u00e9 \"quoted\"\n", "flags": {"a": False}}}}
    write("p_000000", checksummed(compact(anna)))
    write("p_000003", checksummed(compact(bjorn)))
    # One byte changed after the checksum was taken.
    damaged = bytearray(checksummed(compact({"profile": {"game_data": {"level": 5}}})))
    damaged[-3] ^= 0x01
    write("p_000007", bytes(damaged))
    # Cut short in the middle of the JSON text, header of the whole text.
    whole = checksummed(compact({"profile": {"game_data": {"level": 9, "items": ["a", "b", "c"]}}}))
    write("p_000009", whole[: len(whole) // 2 + 8])
    # A valid file without the "profile" table.
    write("p_000004", checksummed(compact({"game_data": {"level": 1}})))


if __name__ == "__main__":
    main(sys.argv[1])
