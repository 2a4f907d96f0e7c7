#!/usr/bin/env python3
"""A product to install: FILES files totalling about MEGABYTES MB below OUT, and their manifest.

  make_install_corpus.py OUT FILES MEGABYTES MANIFEST [--seed N]

A third of the bytes is text (compresses well), a third structured binary data (records around
small numbers, moderately compressible) and a third random (already-compressed media). A few
large files hold 40 % of the bytes; the rest is many small files. 50 folders, some two levels deep.
The same arguments give the same bytes, names and dates.

MANIFEST gets one line per file: path (with "\\"), size, MD5 and modification time (ms, UTC).
"""
import argparse
import hashlib
import itertools
import os
import random
import shutil

# Every file gets this date, so the component file's "time" matches whatever copies them.
MTIME_NS = 1608710816_943_000_000

TOP = ["bin", "lib", "res", "data", "plugins", "docs", "locale", "themes", "scripts", "drivers",
       "fonts", "help", "media", "templates", "tools", "config", "cache", "samples", "shaders", "maps"]
SUB = ["images", "icons", "sounds", "x64", "x86", "common", "zh-CN", "en-US", "core", "extra"]

EXTENSIONS = {
    "text": [".txt", ".xml", ".ini", ".js", ".css", ".html", ".json"],
    "binary": [".dll", ".exe", ".bin", ".dat", ".sys"],
    "random": [".png", ".jpg", ".pak", ".ogg"],
}


def folders(rng):
    # The root, 20 first-level folders and 29 below them: 50 in all.
    tops = TOP[:]
    seconds = set()
    while len(seconds) < 29:
        seconds.add(rng.choice(tops) + "\\" + rng.choice(SUB))
    return [""] + tops + sorted(seconds)


def sizes(rng, count, total):
    large = min(count, max(3, count // 625))
    large_bytes = total * 2 // 5 if count > large else total
    weights = [rng.uniform(1, 3) for _ in range(large)]
    out = [max(1, int(large_bytes * w / sum(weights))) for w in weights]
    if count > large:
        small = [rng.lognormvariate(0, 1.2) for _ in range(count - large)]
        rest = total - sum(out)
        out += [max(1, int(rest * w / sum(small))) for w in small]
    return out, large


def words(rng):
    letters = "etaoinshrdlucmfwypvbgkqjxz"
    vocab = sorted({"".join(rng.choices(letters, k=rng.randint(2, 10))) for _ in range(3000)})
    # Zipf-like, as in real prose; cumulative, so choices() need not add them up on every line
    return vocab, list(itertools.accumulate(1 / (i + 1) for i in range(len(vocab))))


def text_bytes(rng, vocab, cum_weights, size):
    out = []
    length = 0
    while length < size:
        line = " ".join(rng.choices(vocab, cum_weights=cum_weights, k=rng.randint(4, 16))) + "\r\n"
        out.append(line)
        length += len(line)
    return "".join(out).encode("ascii")[:size]


def binary_bytes(rng, pool, size):
    # 64-byte records: 32 bytes of a recurring "code" fragment, then eight 32-bit numbers below
    # 65 536 (two random bytes, two zeros), like tables of offsets in an executable.
    records = size // 64 + 1
    numbers = bytearray(records * 32)
    raw = rng.randbytes(records * 16)
    numbers[0::4] = raw[0::2]
    numbers[1::4] = raw[1::2]
    fragments = rng.choices(pool, k=records)
    parts = []
    for i in range(records):
        parts.append(fragments[i])
        parts.append(numbers[i * 32:(i + 1) * 32])
    return b"".join(parts)[:size]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("files", type=int)
    parser.add_argument("megabytes", type=float)
    parser.add_argument("manifest")
    parser.add_argument("--seed", type=int, default=20181222)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    total = int(args.megabytes * 1024 * 1024)
    dirs = folders(rng)
    file_sizes, large = sizes(rng, args.files, total)
    vocab, weights = words(rng)
    pool = [rng.randbytes(32) for _ in range(256)]

    # Kinds by bytes: the large files first, one of each kind in turn, then each file to the kind
    # with the fewest bytes so far.
    rest = list(range(large, len(file_sizes)))
    rng.shuffle(rest)
    kinds = ["text", "binary", "random"]
    held = dict.fromkeys(kinds, 0)
    kind_of = {}
    for i in range(large):
        kind_of[i] = kinds[i % 3]
        held[kind_of[i]] += file_sizes[i]
    for i in rest:
        kind = min(kinds, key=lambda k: held[k])
        kind_of[i] = kind
        held[kind] += file_sizes[i]

    if os.path.isdir(args.out):
        shutil.rmtree(args.out)
    os.makedirs(args.out)
    for d in dirs:
        os.makedirs(os.path.join(args.out, *d.split("\\")), exist_ok=True)

    with open(args.manifest, "w", newline="\n") as manifest:
        for i, size in enumerate(file_sizes):
            kind = kind_of[i]
            folder = rng.choice(dirs)
            name = "%s%04d%s" % ({"text": "doc", "binary": "mod", "random": "asset"}[kind], i,
                                 rng.choice(EXTENSIONS[kind]))
            rel = folder + "\\" + name if folder else name
            if kind == "text":
                data = text_bytes(rng, vocab, weights, size)
            elif kind == "binary":
                data = binary_bytes(rng, pool, size)
            else:
                data = rng.randbytes(size)
            path = os.path.join(args.out, *rel.split("\\"))
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, ns=(MTIME_NS, MTIME_NS))
            manifest.write("%s\t%d\t%s\t%d\n" % (rel, size, hashlib.md5(data).hexdigest(), MTIME_NS // 1000000))
    print("corpus: %d files, %.1f MB (text %.1f, binary %.1f, random %.1f MB) in %d folders"
          % (len(file_sizes), sum(file_sizes) / 1048576, held["text"] / 1048576, held["binary"] / 1048576,
             held["random"] / 1048576, len(dirs)))


if __name__ == "__main__":
    main()
