"""Figure 11 (native; the decoding also under Wine): what an update costs with the feed's
compressed files and patches. Two releases made here: the second changes 1 % of the
4 KiB blocks of a 64 MiB data pack and inserts 100 KiB in its middle, takes another
build of the client, and rewrites a text file. Both are published with mksetup; the bytes
an updater fetches for each way are the sizes of the files the feed holds for the three
changed files, beside `zstd --patch-from` of the same files at the same level.

  patch_bench.py --mksetup M --decode BENCH [--wine-decode BENCH.exe] --client-old A
                 --client-new B [--work DIR]"""

import argparse
import glob
import hashlib
import os
import random
import shutil
import subprocess
import time

PACK = 64 << 20
PATCH_GOAL = 1.1       # of `zstd --patch-from`'s bytes
PLAIN_SHARE = 0.05     # of the plain bytes
DECODE_GOAL = 0.8      # of `zstd -d`'s rate
LEVEL = "-19"

MANIFEST = """[Setup]
Kind = Full
Title = Patch bench
InstallFolder = \\PatchBench
StartMenuGroup = PatchBench
PackageVersion = {version}
Payload = payload
[Terms]
German = terms.txt
English = terms.txt
[Readme]
GermanFile = readme.txt
GermanLink = L.lnk
EnglishFile = readme.txt
EnglishLink = R.lnk
[Program]
File = TDMClient.exe
DesktopLink = PatchBench.lnk
"""


def sha(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def text(lines, rng, rewrite=0.0, base=None):
    words = ["harbour", "tide", "moor", "lighthouse", "rope", "gull", "sail", "reef", "isle"]
    out = []
    for n in range(lines):
        if base is not None and rng.random() >= rewrite:
            out.append(base[n])
        else:
            out.append(" ".join(rng.choice(words) for _ in range(12)))
    return out


def make_releases(work, client_old, client_new):
    rng = random.Random(11)
    old_pack = bytearray(rng.randbytes(PACK))
    new_pack = bytearray(old_pack)
    for block in rng.sample(range(PACK // 4096), PACK // 4096 // 100):
        new_pack[block * 4096:(block + 1) * 4096] = rng.randbytes(4096)
    new_pack[PACK // 2:PACK // 2] = rng.randbytes(100 << 10)
    old_text = text(4000, rng)
    new_text = text(4000, rng, 0.3, old_text)
    return [write_release(work, version, pack, lines, client)
            for version, pack, lines, client in (("807.3", old_pack, old_text, client_old),
                                                 ("807.4", new_pack, new_text, client_new))]


def write_release(work, version, pack, lines, client):
    """The release folder <work>/<version>: its payload (the pack, the text, the client),
    terms and manifest."""
    folder = os.path.join(work, version)
    os.makedirs(os.path.join(folder, "payload", "data"), exist_ok=True)
    with open(os.path.join(folder, "payload", "data", "world.pak"), "wb") as f:
        f.write(pack)
    with open(os.path.join(folder, "payload", "readme.txt"), "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")
    shutil.copyfile(client, os.path.join(folder, "payload", "TDMClient.exe"))
    with open(os.path.join(folder, "terms.txt"), "w", encoding="ascii") as f:
        f.write("Terms\n")
    with open(os.path.join(folder, "bench.ini"), "w", encoding="ascii") as f:
        f.write(MANIFEST.format(version=version))
    return folder


def publish(mksetup, key, feed, folder, *options):
    start = time.perf_counter()
    subprocess.run([mksetup, "publish", os.path.join(folder, "bench.ini"), "--feed", feed,
                    "--key", key, *options], check=True, capture_output=True)
    return time.perf_counter() - start


def size(path):
    return os.path.getsize(path) if os.path.exists(path) else None


def tree_size(folder):
    return sum(os.path.getsize(p) for p in glob.glob(os.path.join(folder, "**"), recursive=True)
               if os.path.isfile(p))


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, capture_output=True)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--mksetup", required=True)
    parser.add_argument("--decode", required=True, help="bench_zstd_decode of the host tree")
    parser.add_argument("--wine-decode", help="bench_zstd_decode.exe of the Windows tree")
    parser.add_argument("--client-old", required=True)
    parser.add_argument("--client-new", required=True)
    parser.add_argument("--work", default="/tmp/tdm-patch-bench")
    o = parser.parse_args()
    shutil.rmtree(o.work, ignore_errors=True)
    os.makedirs(o.work)
    old, new = make_releases(o.work, o.client_old, o.client_new)
    key = os.path.join(o.work, "publisher")
    subprocess.run([o.mksetup, "keygen", key], check=True, capture_output=True)
    feed, plain_feed = os.path.join(o.work, "feed"), os.path.join(o.work, "feed-no-patches")
    first = publish(o.mksetup, key + ".key", feed, old)
    second = publish(o.mksetup, key + ".key", feed, new)
    publish(o.mksetup, key + ".key", plain_feed, old, "--patch-from-releases", "0")
    publish(o.mksetup, key + ".key", plain_feed, new, "--patch-from-releases", "0")

    rows, plain, compressed, patched, reference = [], 0, 0, 0, 0
    decode = None
    for name in ("data/world.pak", "TDMClient.exe", "readme.txt"):
        a, b = (os.path.join(r, "payload", name) for r in (old, new))
        ha, hb = sha(a), sha(b)
        whole = os.path.getsize(b)
        zst = size(os.path.join(feed, "files", hb[:2], hb + ".zst")) or whole
        patch_path = os.path.join(feed, "patches", ha[:2], f"{ha}-{hb}.zst")
        patch = size(patch_path) or zst
        ref_path = os.path.join(o.work, os.path.basename(name) + ".ref.zst")
        subprocess.run(["zstd", "-q", "-f", LEVEL, "--long=31", "--memory=2048MB",
                        f"--patch-from={a}", b, "-o", ref_path], check=True,
                       capture_output=True)
        plain, compressed, patched = plain + whole, compressed + zst, patched + patch
        reference += os.path.getsize(ref_path)
        rows.append(f"{name}: plain {whole:,}, compressed {zst:,}, patch {patch:,}, "
                    f"zstd --patch-from {os.path.getsize(ref_path):,}")
        if name == "data/world.pak" and os.path.exists(patch_path):
            decode = (patch_path, a, whole, ref_path)
    print("\n".join(rows))
    print(f"11a bytes fetched: plain {plain:,}, compressed {compressed:,}, with patches "
          f"{patched:,}; zstd --patch-from {reference:,}: {patched / reference:.2f} "
          f"(goal <= {PATCH_GOAL})")
    print(f"11b with patches {patched / plain:.4f} of the plain bytes (goal <= {PLAIN_SHARE})")
    hr = sha(os.path.join(new, "payload", "readme.txt"))
    ours = size(os.path.join(feed, "files", hr[:2], hr + ".zst"))
    cli = os.path.join(o.work, "readme.cli.zst")
    subprocess.run(["zstd", "-q", "-f", LEVEL, os.path.join(new, "payload", "readme.txt"), "-o",
                    cli], check=True)
    print(f"11c readme.txt compressed {ours:,} bytes beside zstd -19's "
          f"{os.path.getsize(cli):,}")
    if decode:
        patch_path, source, whole, ref_path = decode
        cli_s = min(timed(["zstd", "-q", "-d", "-f", "--long=31", "--memory=2048MB",
                           f"--patch-from={source}", patch_path, "-o", os.devnull])
                    for _ in range(3))
        ours_s = min(timed([o.decode, patch_path, source, str(whole)]) for _ in range(3))
        print(f"11d the pack's patch decoded, process to process: bench_zstd_decode "
              f"{whole / ours_s / 1e6:.0f} MB/s, zstd -d {whole / cli_s / 1e6:.0f} MB/s: "
              f"{cli_s / ours_s:.2f} (goal >= {DECODE_GOAL})")
        if o.wine_decode:
            prefix = os.path.basename(os.environ.get("WINEPREFIX", ""))
            # Wine's output through a file: its own processes may keep a pipe open.
            result = os.path.join(o.work, "wine-decode.txt")
            with open(result, "w", encoding="ascii") as out:
                subprocess.run(["wine", o.wine_decode, "Z:" + patch_path.replace("/", "\\"),
                                "Z:" + source.replace("/", "\\"), str(whole)], check=True,
                               stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
            with open(result, encoding="ascii") as out:
                print(f"11d under Wine ({prefix}), the updater's decoder-only -Os zstd, "
                      f"decoding alone, then with reading the inputs: {out.read().strip()}")
    print(f"11e publish: the first release {first:.1f} s, the second (compressing and "
          f"patching) {second:.1f} s; the feed {tree_size(feed):,} bytes with patches, "
          f"{tree_size(plain_feed):,} without")


if __name__ == "__main__":
    main()
