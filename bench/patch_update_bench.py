"""Figure 11 under Wine: the update of figure 11's two releases done by updater.exe /S
against nginx on 127.0.0.1, once from each of three feeds (plain files only, compressed
forms, compressed forms and patches), in copies of one prefix with the first release
installed. Bytes are counted from nginx's log; times from the updater's log; its peak
memory from /proc while it runs. Then three more releases into the feeds with and
without patches: their sizes after five releases and each publish's time.

  patch_update_bench.py --mksetup M --stub SetupStub.exe --updater updater.exe
                        --clients C3 C4 C5 C6 C7 [--wine-decode bench_zstd_decode.exe]
                        [--work DIR] [--pack-mib 64]

The clients are TDMClient.exe of 0.807.3 to 0.807.7 (each release brings the client that
says its version)."""

import argparse
import glob
import os
import random
import shutil
import subprocess
import sys
import time

import patch_bench
import run_benchmarks
import updater_bench

PACK = patch_bench.PACK
WAYS = ("plain", "compressed", "patches")
MEMORY_GOAL_MIB = 64  # besides the mapped files
# The updater's log: each download's end ("<name>: status ..., received ...", or "<name>
# as patch: status ..."), a decoded form ("<name>: the patch decoded ..."), the apply's.
RECEIVED = " received "
APPLIED = "apply: status"


sha = patch_bench.sha


def make_chain(work, clients, pack_size):
    """Five releases, each from the one before as figure 11's second from its first: 1 %
    of the pack's 4 KiB blocks changed and 100 KiB inserted in its middle, the next
    client, 30 % of the text's lines rewritten."""
    rng = random.Random(11)
    pack = bytearray(rng.randbytes(pack_size))
    lines = patch_bench.text(4000, rng)
    folders = []
    for number, client in enumerate(clients):
        if number:
            for block in rng.sample(range(len(pack) // 4096), len(pack) // 4096 // 100):
                pack[block * 4096:(block + 1) * 4096] = rng.randbytes(4096)
            pack[len(pack) // 2:len(pack) // 2] = rng.randbytes(100 << 10)
            lines = patch_bench.text(4000, rng, 0.3, lines)
        folders.append(patch_bench.write_release(work, f"807.{3 + number}", pack, lines, client))
    return folders


def publish(mksetup, key, url, feed, folder, patches):
    options = [] if patches else ["--patch-from-releases", "0"]
    start = time.perf_counter()
    subprocess.run([mksetup, "publish", os.path.join(folder, "bench.ini"), "--feed", feed,
                    "--key", key + ".key", "--mirror", url, *options], check=True,
                   capture_output=True)
    return time.perf_counter() - start


def ticks_of(lines, part, after=0):
    return [tick for tick, text in lines if part in text and tick >= after]


def update_once(way, server, snapshot, work, new):
    """updater.exe /S over a copy of `snapshot` from the feed `way`: the bytes nginx sent
    for the files (the index aside), the log's spans and the peak memory."""
    prefix = run_benchmarks.WinePrefix(snapshot, work, f"patch-{way}")
    try:
        updater_bench._start_wine(prefix)
        server.select(way)
        position = server.log_size()
        watch = run_benchmarks.PeakMemoryWatch(prefix.path, b"\\updater.exe")
        watch.start()
        try:
            _, lines = updater_bench.run_updater(prefix)
        finally:
            watch.stop()
        sent = server.sent_since(position)
        _, unix = updater_bench._install_dir(prefix.path)
        for name in ("data/world.pak", "TDMClient.exe", "readme.txt"):
            if sha(os.path.join(unix, name)) != sha(os.path.join(new, "payload", name)):
                raise RuntimeError(f"{way}: {name} is not the new release's")
        received = [tick for tick, text in lines if RECEIVED in text and ": status " in text]
        applied = ticks_of(lines, APPLIED)
        decoded = ticks_of(lines, "data\\world.pak: the patch") or ticks_of(
            lines, "data/world.pak: the patch")
        pack_received = [tick for tick, text in lines
                         if "world.pak as patch: status" in text]
        result = {
            "bytes": sum(size for path, status, size in sent
                         if "/index.tdmfeed" not in path and status in (200, 206)),
            "requests": [(path, status, size) for path, status, size in sent],
            "after_last_byte": (applied[0] - received[-1]) / 1000,
            "log": updater_bench._span(lines, "closing updater"),
            "peak_kib": watch.peak_kib, "peak_anon_kib": watch.peak_anon_kib,
        }
        if decoded and pack_received:
            result["pack_decode"] = (decoded[0] - pack_received[0]) / 1000
        return result
    finally:
        prefix.close()


def wine_decode_run(snapshot, work, program, patch, source, size):
    prefix = run_benchmarks.WinePrefix(snapshot, work, "patch-decode")
    try:
        out = os.path.join(work, "wine-decode.txt")
        best = None
        for _ in range(3):
            with open(out, "w", encoding="ascii") as f:
                subprocess.run(["wine", program, "Z:" + patch.replace("/", "\\"),
                                "Z:" + source.replace("/", "\\"), str(size)],
                               env=prefix.environment, check=True, stdout=f,
                               stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
            with open(out, encoding="ascii") as f:
                text = f.read().strip()
            seconds = float(text.split("with reading the inputs ")[1].split(" s")[0])
            best = (seconds, text) if best is None or seconds < best[0] else best
        return best
    finally:
        prefix.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--mksetup", required=True)
    parser.add_argument("--stub", required=True)
    parser.add_argument("--updater", required=True)
    parser.add_argument("--clients", nargs=5, required=True)
    parser.add_argument("--wine-decode")
    parser.add_argument("--work", default="/tmp/tdm-patch-update-bench")
    parser.add_argument("--pack-mib", type=int, default=PACK >> 20, help="for a quick try")
    o = parser.parse_args()
    shutil.rmtree(o.work, ignore_errors=True)
    os.makedirs(o.work)
    work = o.work
    template = subprocess.run([os.path.join(run_benchmarks.ROOT, "tools", "wine-prefix")],
                              check=True, capture_output=True, text=True).stdout.strip()
    releases = make_chain(work, o.clients, o.pack_mib << 20)
    old, new = releases[0], releases[1]
    key = os.path.join(work, "publisher")
    subprocess.run([o.mksetup, "keygen", key], check=True, capture_output=True)
    print(f"five releases made in {work}", flush=True)
    with updater_bench.Server(os.path.join(work, "server"), os.path.join(work, "www")) as server:
        section = updater_bench.UPDATER_SECTION.format(program=o.updater, feed=server.url,
                                                       key=key + ".pub")
        for folder in releases:
            with open(os.path.join(folder, "bench.ini"), "a", encoding="ascii") as f:
                f.write(section)
        times = {True: [], False: []}
        for patches, way in ((True, "patches"), (False, "compressed")):
            for folder in releases[:2]:
                times[patches].append(publish(o.mksetup, key, server.url, server.variant(way),
                                              folder, patches))
            print(f"{way}: published the first two in "
                  f"{', '.join(f'{t:.1f} s' for t in times[patches])}", flush=True)
        # The plain files alone: the compressed feed without its forms, whose requests
        # then fail (404, counted apart) and fall back to the plain file.
        shutil.copytree(server.variant("compressed"), server.variant("plain"))
        for form in glob.glob(os.path.join(server.variant("plain"), "files", "*", "*.zst")):
            os.remove(form)
        setup = os.path.join(old, "Setup.exe")
        subprocess.run([o.mksetup, "setup", os.path.join(old, "bench.ini"), "--stub", o.stub,
                        "-o", setup], check=True, capture_output=True)
        os.environ["TDM_WINE_TEMPLATE"] = template
        snapshot = updater_bench._snapshot(os.path.join(work, "installed"), setup)
        runs = {}
        for way in WAYS:
            runs[way] = update_once(way, server, snapshot, work, new)
            print(f"{way}: {runs[way]['bytes']:,} bytes, last byte to the apply's end "
                  f"{runs[way]['after_last_byte']:.3f} s", flush=True)
        decode = None
        ha, hb = sha(os.path.join(old, "payload", "data", "world.pak")), \
            sha(os.path.join(new, "payload", "data", "world.pak"))
        pack_patch = os.path.join(server.variant("patches"), "patches", ha[:2], f"{ha}-{hb}.zst")
        if o.wine_decode and os.path.exists(pack_patch):
            decode = wine_decode_run(snapshot, work, o.wine_decode, pack_patch,
                                     os.path.join(old, "payload", "data", "world.pak"),
                                     os.path.getsize(os.path.join(new, "payload", "data",
                                                                  "world.pak")))
        shutil.rmtree(snapshot, ignore_errors=True)
        for patches, way in ((True, "patches"), (False, "compressed")):
            for folder in releases[2:]:
                times[patches].append(publish(o.mksetup, key, server.url, server.variant(way),
                                              folder, patches))
        sizes = {way: patch_bench.tree_size(server.variant(way))
                 for way in ("patches", "compressed")}
    report(o, old, new, runs, decode, pack_patch, times, sizes)


def report(o, old, new, runs, decode, pack_patch, times, sizes):
    reference = 0
    for name in ("data/world.pak", "TDMClient.exe", "readme.txt"):
        a, b = (os.path.join(r, "payload", name) for r in (old, new))
        out = os.path.join(o.work, os.path.basename(name) + ".ref.zst")
        subprocess.run(["zstd", "-q", "-f", patch_bench.LEVEL, "--long=31", "--memory=2048MB",
                        f"--patch-from={a}", b, "-o", out], check=True, capture_output=True)
        reference += os.path.getsize(out)
    plain, compressed, patched = (runs[way]["bytes"] for way in WAYS)
    print(f"11a bytes nginx sent for the files of the update (index aside), updater.exe /S: "
          f"plain {plain:,}, compressed {compressed:,}, with patches {patched:,}; "
          f"zstd --patch-from {reference:,}: {patched / reference:.2f} "
          f"(goal <= {patch_bench.PATCH_GOAL})")
    print(f"11b with patches {patched / plain:.4f} of the plain bytes "
          f"(goal <= {patch_bench.PLAIN_SHARE})")
    misses = sum(1 for path, status, _ in runs["plain"]["requests"] if status == 404)
    print(f"    the plain feed's {misses} requests for the missing forms answered 404")
    for way in WAYS:
        r = runs[way]
        print(f"11f {way}: last byte received to the apply's end {r['after_last_byte']:.3f} s; "
              f"the log's first line to its last {r['log']:.2f} s; peak resident "
              f"{r['peak_kib'] / 1024:.1f} MiB, of it anonymous {r['peak_anon_kib'] / 1024:.1f} MiB")
    if "pack_decode" in runs["patches"]:
        size = os.path.getsize(os.path.join(new, "payload", "data", "world.pak"))
        seconds = runs["patches"]["pack_decode"]
        print(f"11d in the updater: the pack's patch decoded into its mapped output and "
              f"hashed, {seconds:.3f} s, {size / seconds / 1e6:.0f} MB/s")
    if decode:
        source = os.path.join(old, "payload", "data", "world.pak")
        cli = min(patch_bench.timed(["zstd", "-q", "-d", "-f", "--long=31", "--memory=2048MB",
                                     f"--patch-from={source}", pack_patch, "-o", os.devnull])
                  for _ in range(3))
        size = os.path.getsize(os.path.join(new, "payload", "data", "world.pak"))
        print(f"11d under Wine, the updater's -Os decoder, reading the inputs and decoding "
              f"(best of three): {decode[1]}; zstd -d --patch-from natively, process to "
              f"process: {cli:.4f} s, {size / cli / 1e6:.1f} MB/s: {cli / decode[0]:.2f} "
              f"(goal >= {patch_bench.DECODE_GOAL})")
    peak = runs["patches"]["peak_anon_kib"] / 1024
    print(f"11g peak anonymous memory of updater.exe while patching the pack: {peak:.1f} MiB "
          f"(goal <= {MEMORY_GOAL_MIB} MiB besides the mapped files)")
    print(f"11e publish times with patches: {', '.join(f'{t:.1f}' for t in times[True])} s; "
          f"without: {', '.join(f'{t:.1f}' for t in times[False])} s; the feed after five "
          f"releases {sizes['patches']:,} bytes with patches, {sizes['compressed']:,} without")


if __name__ == "__main__":
    sys.exit(main())
