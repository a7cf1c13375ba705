"""Figure 9 of tools/bench (native, no Wine): `mksetup publish` of the 170 MB release
into an empty feed against `cp -r` of its payload and `sync`, and the bytes that
publishing the next release, which changes one file of about 1 MB, writes."""

import os
import random
import shutil
import statistics
import subprocess
import time

import payloads

PUBLISH_GOAL = 1.5
WRITTEN_GOAL = 2_000_000  # bytes
CHANGED_SIZE = 1_000_000  # the payload file nearest this size is the one that changes


def _io_counts():
    """wchar and write_bytes of this process, which the kernel adds a reaped child's to."""
    counts = {}
    with open("/proc/self/io", encoding="ascii") as io:
        for line in io:
            key, value = line.split(":")
            counts[key] = int(value)
    return counts


def _run_counted(command):
    """Runs `command` and returns (seconds, its output, bytes it handed to write() and
    its kin, bytes it sent to storage): the difference of this process's counts across
    the run, since the child is reaped inside it. This process writes nothing meanwhile."""
    before = _io_counts()
    start = time.perf_counter()
    result = subprocess.run(command, check=False, text=True, capture_output=True)
    seconds = time.perf_counter() - start
    after = _io_counts()
    if result.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}")
    return (seconds, result.stdout, after["wchar"] - before["wchar"],
            after["write_bytes"] - before["write_bytes"])


def _sync():
    subprocess.run(["sync"], check=True)


def manifest_of_version(source_folder, target_folder, version):
    """The source's manifest and terms in `target_folder`, with another PackageVersion."""
    with open(os.path.join(source_folder, "bench.ini"), encoding="utf-8") as source:
        text = source.read()
    old = next(line.split("=", 1)[1].strip() for line in text.splitlines()
               if line.startswith("PackageVersion"))
    with open(os.path.join(target_folder, "bench.ini"), "w", encoding="utf-8") as out:
        out.write(text.replace(old, version))
    for name in ("terms_de.txt", "terms_en.txt"):
        shutil.copyfile(os.path.join(source_folder, name), os.path.join(target_folder, name))


def make_next_release(work, source_folder, next_client, version):
    """The next release of `source_folder`'s: its payload hard-linked, with TDMClient.exe
    of the next version (it must carry the package version) and new bytes in the file
    nearest 1 MB. Returns (folder, changed file's name, its size, the client's size)."""
    folder = os.path.join(work, "feed-next")
    payload = os.path.join(folder, "payload")
    files = payloads.payload_files(source_folder)
    data = [path for path in files if not path.endswith(".exe")]
    changed = min(data, key=lambda path: abs(os.path.getsize(path) - CHANGED_SIZE))
    name = os.path.relpath(changed, os.path.join(source_folder, "payload"))
    # Made afresh every run: cheap, and never links to an older set of payloads.
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(os.path.join(source_folder, "payload"), payload, copy_function=os.link)
    # Both are links to the first release's files: replaced, never written through.
    client = os.path.join(payload, "TDMClient.exe")
    os.remove(client)
    shutil.copyfile(next_client, client)
    os.remove(os.path.join(payload, name))
    with open(os.path.join(payload, name), "wb") as out:
        out.write(random.Random(9).randbytes(os.path.getsize(changed)))
    manifest_of_version(source_folder, folder, version)
    return (folder, name.replace(os.sep, "/"), os.path.getsize(changed),
            os.path.getsize(next_client))


def measure(work, mksetup, source_folder, next_folder, warm, runs):
    """Medians of `runs` rounds: publish and cp -r + sync in turns, each after a sync
    and from a warm page cache; then the next release into the feed just published."""
    key = os.path.join(work, "feed-bench")
    if not os.path.exists(key + ".key"):
        subprocess.run([mksetup, "keygen", key], check=True, capture_output=True)
    feed = os.path.join(work, "feed-out")
    copy = os.path.join(work, "feed-cp")
    source_payload = os.path.join(source_folder, "payload")
    files = payloads.payload_files(source_folder)
    publish_times, copy_times, wchars, storage = [], [], [], []
    for number in range(runs):
        shutil.rmtree(feed, ignore_errors=True)
        shutil.rmtree(copy, ignore_errors=True)
        _sync()

        def publish():
            warm(files)
            seconds, _, _, _ = _run_counted([mksetup, "publish", os.path.join(source_folder,
                                             "bench.ini"), "--feed", feed, "--key", key + ".key"])
            publish_times.append(seconds)

        def copy_and_sync():
            warm(files)
            start = time.perf_counter()
            subprocess.run(["cp", "-r", source_payload, copy], check=True)
            _sync()
            copy_times.append(time.perf_counter() - start)

        # Neither side always goes first, onto a file system the other just filled.
        for side in (publish, copy_and_sync) if number % 2 == 0 else (copy_and_sync, publish):
            side()
            _sync()
        warm(payloads.payload_files(next_folder))
        _, output, wchar, write_bytes = _run_counted(
            [mksetup, "publish", os.path.join(next_folder, "bench.ini"), "--feed", feed, "--key",
             key + ".key"])
        wchars.append(wchar)
        storage.append(write_bytes)
        stored = output
    shutil.rmtree(feed, ignore_errors=True)
    shutil.rmtree(copy, ignore_errors=True)
    return {"publish": statistics.median(publish_times), "copy": statistics.median(copy_times),
            "wchar": statistics.median(wchars), "write_bytes": statistics.median(storage),
            "files": len(files), "bytes": sum(os.path.getsize(path) for path in files),
            "stored": stored.strip()}


def figures(result, changed, changed_size, client_size, verdict):
    publish, copy = result["publish"], result["copy"]
    wchar, write_bytes = result["wchar"], result["write_bytes"]
    return [
        ("9", f"`mksetup publish` of the 170 MB release ({result['files']} files, "
         f"{result['bytes'] / (1 << 20):.1f} MiB) into an empty feed, against `cp -r` of its "
         "payload and `sync`", f"{publish:.2f} s / {copy:.2f} s", f"{publish / copy:.2f}",
         f"≤ {PUBLISH_GOAL:.2f}", verdict(publish / copy, PUBLISH_GOAL)),
        ("9a", f"bytes `mksetup publish` of the next release writes (`{changed}`, "
         f"{changed_size:,} bytes, changed; `TDMClient.exe`, {client_size:,} bytes, carries "
         "the new version): `wchar` of `/proc/<pid>/io`", f"{wchar:,} bytes",
         f"{wchar / WRITTEN_GOAL:.2f} of the goal", "≤ 2,000,000 bytes",
         verdict(wchar, WRITTEN_GOAL)),
        ("9a", "the same, `write_bytes`: what it sent to the storage layer (whole pages)",
         f"{write_bytes:,} bytes", f"{write_bytes / WRITTEN_GOAL:.2f} of the goal",
         "≤ 2,000,000 bytes", verdict(write_bytes, WRITTEN_GOAL)),
    ]
