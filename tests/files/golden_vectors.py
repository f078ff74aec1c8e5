#!/usr/bin/env python3
"""Independent computation of the protected-file golden vectors used by
protected_file_test.cpp: the checksum header and the scrambling keystream.

The generator: 512 signed 32-bit words, the key bytes sign-extended into words
0..n-1, stirred twice; stirring replaces word i by f(word i + i) with
f(a) = 5(a - a/5) + 87(a/87) - 7(a/7) + a/3 + a rem 2 (32-bit wrapping,
division truncating toward zero); keystream byte k is the low byte of word j,
j restarting at 0 after a further stir once word n-1 has been used.
"""


def wrap(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v & 0x80000000 else v


def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def trem(a, b):
    return a - b * tdiv(a, b)


def f(a):
    return wrap(5 * (a - tdiv(a, 5)) + 87 * tdiv(a, 87) - 7 * tdiv(a, 7) + tdiv(a, 3) + trem(a, 2))


def keystream(key, count):
    words = [b - 256 if b >= 128 else b for b in key.encode()]
    n = len(words)

    def stir():
        for i in range(n):
            words[i] = f(wrap(words[i] + i))

    stir()
    stir()
    out, j = [], 0
    for _ in range(count):
        if j == n:
            stir()
            j = 0
        out.append(words[j] & 0xFF)
        j += 1
    return out


ENGINE_KEY = "".join(["Vr", "akko", ":", "lantern", "-", "moth", "/", "1907", "#tide"])

if __name__ == "__main__":
    print("checksum header of abc:", "%016d" % (sum(b"abc") & 0xFFFFFFFF))
    for key in ["abc", "\xe9x", ENGINE_KEY]:
        ks = keystream(key, 40)
        print(repr(key), "{" + ", ".join(str(b) for b in ks) + "}")
    ks = keystream(ENGINE_KEY, 19)
    stored = "%016d" % sum(b"abc") + "abc"
    print("kind 3 of abc:", "{" + ", ".join(str((ord(c) + k) & 0xFF) for c, k in zip(stored, ks)) + "}")
