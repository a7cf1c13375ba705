"""Runs every benchmark of tools/bench and writes the figures into BENCHMARKS.md.

Each figure is a ratio against a plain reference measured in the same run on the same
machine, so the figures compare between machines where the absolute times do not."""

import argparse
import datetime
import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

import feed_publish
import many_files
import payloads
import updater_bench

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
FIGURES_BEGIN = "<!-- figures: written by tools/bench -->"
FIGURES_END = "<!-- end of figures -->"
STUB_GOAL = 128 * 1024
UNINSTALL_GOAL = 128 * 1024
UPDATER_GOAL = 288 * 1024  # its zstd decoder included
# Where the Full archive installs with the defaults in a fresh prefix.
INSTALL_DIR = "C:\\Program Files\\Tidemoor"
# Bumped whenever payloads.py changes what it makes.
PAYLOAD_VERSION = "4"


def log(text):
    print(f"[bench] {text}", file=sys.stderr, flush=True)


def run(command, **options):
    return subprocess.run(command, check=True, text=True, capture_output=True, **options)


def timed(command, stdout=subprocess.DEVNULL):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=stdout)
    return time.perf_counter() - start


def warm(paths):
    """Reads files once so that both sides of a comparison start from the page cache."""
    for path in paths:
        with open(path, "rb") as source:
            while source.read(8 << 20):
                pass


# --- the machine -------------------------------------------------------------------

def machine():
    model = "unknown"
    with open("/proc/cpuinfo", encoding="ascii", errors="replace") as info:
        for line in info:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo", encoding="ascii") as info:
        kib = int(info.readline().split()[1])
    load = os.getloadavg()[0]
    return {"nproc": os.cpu_count(), "cpu": model, "memory_gib": kib / 1024 / 1024,
            "load": load, "date": datetime.datetime.now().strftime("%Y-%m-%d %H:%M"),
            "kernel": platform.release()}


# --- 1. checksum throughput --------------------------------------------------------

def checksum(host_build):
    program = os.path.join(host_build, "bench", "bench_checksum")
    output = run([program, "--benchmark_format=json", "--benchmark_repetitions=5",
                  "--benchmark_min_time=0.2", "--benchmark_report_aggregates_only=true",
                  "--benchmark_enable_random_interleaving=true"]).stdout
    speeds = {}
    for entry in json.loads(output)["benchmarks"]:
        if entry.get("aggregate_name") == "median":
            name, size = entry["run_name"].split("/")
            speeds[(name, int(size))] = entry["bytes_per_second"]
    rows = []
    for size in sorted({size for _, size in speeds}):
        plain = speeds[("PlainRead", size)]
        for name in ("ByteSum", "ByteSumWithProgress"):
            rows.append((name, size, speeds[(name, size)] / plain, plain))
    return rows


# --- the archives --------------------------------------------------------------------

def make_payloads(work, client, next_client, uninstaller):
    stamp = os.path.join(work, "payloads.stamp")
    if os.path.exists(stamp) and open(stamp).read() == PAYLOAD_VERSION:
        return
    log("making the payloads (about 190 MB of pseudo-random data)")
    for name in ("release", "large", "minimal-update", "minimal-full"):
        shutil.rmtree(os.path.join(work, name), ignore_errors=True)
    # The Updates are of 807.4: their client says so, as mksetup checks.
    payloads.make_release(os.path.join(work, "release"), next_client, uninstaller)
    payloads.make_large(os.path.join(work, "large"), client)
    payloads.make_minimal(os.path.join(work, "minimal-update"), next_client, "Update", uninstaller)
    payloads.make_minimal(os.path.join(work, "minimal-full"), client, "Full")
    with open(stamp, "w") as out:
        out.write(PAYLOAD_VERSION)


def make_setups(work, mksetup, stub):
    setups = {}
    for name in ("release", "large", "minimal-update", "minimal-full"):
        folder = os.path.join(work, name)
        setup = os.path.join(folder, "Setup.exe")
        run([mksetup, "setup", os.path.join(folder, "bench.ini"), "--stub", stub, "-o", setup])
        setups[name] = setup
    return setups


# --- 6. builder throughput -------------------------------------------------------------

def builder(work, mksetup, runs=3):
    folder = os.path.join(work, "large")
    files = payloads.payload_files(folder)
    warm(files)
    out = os.path.join(work, "builder-out")
    concatenated = os.path.join(work, "builder-cat.bin")
    build_times, cat_times = [], []
    for _ in range(runs):
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        build_times.append(timed([mksetup, "archive", os.path.join(folder, "bench.ini"), out]))
        with open(concatenated, "wb") as target:
            cat_times.append(timed(["cat"] + files, stdout=target))
    size = sum(os.path.getsize(os.path.join(out, name)) for name in os.listdir(out))
    shutil.rmtree(out, ignore_errors=True)
    os.remove(concatenated)
    return statistics.median(build_times), statistics.median(cat_times), size


# --- Wine ------------------------------------------------------------------------------

class WinePrefix:
    """A copy of the template prefix for one part of the run; stopped and removed after."""

    def __init__(self, template, work, name):
        self.path = os.path.join(work, f"wine-{name}")
        shutil.rmtree(self.path, ignore_errors=True)
        shutil.copytree(template, self.path, symlinks=True)
        self.environment = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all",
                                WINEDLLOVERRIDES="mscoree,mshtml=")

    def run(self, program, *arguments):
        return subprocess.run(["wine", program, *arguments], env=self.environment, text=True,
                              capture_output=True, check=False)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.environment, check=False,
                       stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.environment, check=False,
                       stderr=subprocess.DEVNULL)
        shutil.rmtree(self.path, ignore_errors=True)


def bench_setup(prefix, program, *arguments):
    result = prefix.run(program, *arguments)
    if result.returncode != 0:
        raise RuntimeError(f"bench_setup {' '.join(arguments)} failed:\n"
                           f"{result.stdout}{result.stderr}")
    return result.stdout


# --- 2. time to wizard -----------------------------------------------------------------

def time_to_wizard(prefix, program, setups, runs):
    """Median start-to-wizard time of each Setup.exe (bench_setup takes turns)."""
    output = bench_setup(prefix, program, "wizard", str(runs), *setups)
    times = {setup: [] for setup in setups}
    terms = {setup: [] for setup in setups}
    for index, shown, on_terms in re.findall(r"wizard_ms (\d+) (\S+) (\S+)", output):
        times[setups[int(index)]].append(float(shown))
        terms[setups[int(index)]].append(float(on_terms))
    return ({setup: statistics.median(values) for setup, values in times.items()},
            {setup: statistics.median(values) for setup, values in terms.items()})


# --- 3. and 5. the installation -------------------------------------------------------

class PeakMemoryWatch(threading.Thread):
    """Polls the peak resident memory (VmHWM) of the Unix process that runs `program`
    (Setup.exe) in one Wine prefix; VmHWM only grows, so the last reading is the peak.
    The anonymous part (RssAnon: not a mapped file) is polled too, its highest reading
    kept."""

    def __init__(self, prefix_path, program=b"\\Setup.exe"):
        super().__init__(daemon=True)
        self.marker = f"WINEPREFIX={prefix_path}".encode()
        self.program = program
        self.peak_kib = 0
        self.peak_anon_kib = 0
        self.stopping = threading.Event()

    def _setup_processes(self):
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                    # the program itself, not bench_setup that names it as an argument
                    if not cmdline.read().split(b"\0")[0].endswith(self.program):
                        continue
                with open(f"/proc/{pid}/environ", "rb") as environ:
                    if self.marker in environ.read().split(b"\0"):
                        yield pid
            except OSError:
                continue

    def run(self):
        while not self.stopping.is_set():
            for pid in self._setup_processes():
                try:
                    with open(f"/proc/{pid}/status", encoding="ascii") as status:
                        for line in status:
                            if line.startswith("VmHWM:"):
                                self.peak_kib = max(self.peak_kib, int(line.split()[1]))
                            elif line.startswith("RssAnon:"):
                                self.peak_anon_kib = max(self.peak_anon_kib,
                                                         int(line.split()[1]))
                except OSError:
                    pass
            self.stopping.wait(0.05)

    def stop(self):
        self.stopping.set()
        self.join()


def log_ticks(log_path, first, last):
    """Tick counts of the first log lines with these texts ("%i : %s : %i : text")."""
    ticks = {}
    with open(log_path, encoding="cp1252", errors="replace") as lines:
        for line in lines:
            fields = line.rstrip("\r\n").split(" : ", 3)
            if len(fields) == 4 and fields[3] in (first, last) and fields[3] not in ticks:
                ticks[fields[3]] = int(fields[0])
    return ticks[last] - ticks[first]


def per_file_costs(log_path, install_dir, sizes):
    """Splits the file stage into a cost per file and a cost per byte: a least-squares
    line through (size, time from one file's "create file" line to the next line that
    starts other work). Returns (seconds per file, seconds for all data bytes)."""
    events = []
    with open(log_path, encoding="cp1252", errors="replace") as lines:
        for line in lines:
            fields = line.rstrip("\r\n").split(" : ", 3)
            if len(fields) == 4 and (fields[3].startswith("create file: ") or
                                     fields[3] == "create registry entries"):
                events.append((int(fields[0]), fields[3][len("create file: "):]))
    points = []
    for (tick, path), (next_tick, _) in zip(events, events[1:]):
        name = path[len(install_dir) + 1:].replace("\\", "/")
        points.append((sizes[name], (next_tick - tick) / 1000))
    count = len(points)
    mean_size = sum(size for size, _ in points) / count
    mean_time = sum(seconds for _, seconds in points) / count
    spread = sum((size - mean_size) ** 2 for size, _ in points)
    slope = sum((size - mean_size) * (seconds - mean_time) for size, seconds in points) / spread
    return mean_time - slope * mean_size, slope * sum(size for size, _ in points)


def install(template, work, program, setup, payload_files, runs):
    """File stage of a full installation through the wizard, its peak memory, and cp -r
    of the same payload into the same prefix's drive C:, each the median of `runs`."""
    stage_ms, peaks, copy_times, splits, raw_writes = [], [], [], [], []
    log_path = os.path.join(os.path.dirname(setup), "setup.log")
    payload = os.path.join(os.path.dirname(setup), "payload")
    sizes = {os.path.relpath(path, payload).replace(os.sep, "/"): os.path.getsize(path)
             for path in payload_files}
    warm(payload_files + [setup])
    for number in range(runs):
        prefix = WinePrefix(template, work, f"install-{number}")
        try:
            if os.path.exists(log_path):
                os.remove(log_path)
            # The first large write after a fresh prefix is slower (the file system
            # allocates): the copy goes first in every other round, so neither side
            # always pays it.
            target = os.path.join(prefix.path, "drive_c", "cp-copy")
            copy_first = number % 2 == 0
            if copy_first:
                warm(payload_files)
                copy_times.append(timed(["cp", "-r", payload, target]))
            watch = PeakMemoryWatch(prefix.path)
            watch.start()
            output = bench_setup(prefix, program, "install", setup)
            watch.stop()
            if "install ok" not in output:
                raise RuntimeError(output)
            stage_ms.append(log_ticks(log_path, "create data files", "create registry entries"))
            splits.append(per_file_costs(log_path, INSTALL_DIR, sizes))
            peaks.append(watch.peak_kib * 1024)
            if not copy_first:
                warm(payload_files)
                copy_times.append(timed(["cp", "-r", payload, target]))
            total = sum(sizes.values())
            output = bench_setup(prefix, program, "write-files", "C:\\bench-write",
                                 str(len(sizes)), str(total // len(sizes)))
            raw_writes.append(float(re.search(r"write_seconds (\S+)", output).group(1)))
        finally:
            prefix.close()
    middle = sorted(splits)[len(splits) // 2]
    return (statistics.median(stage_ms) / 1000, statistics.median(copy_times),
            statistics.median(peaks), middle, statistics.median(raw_writes))


# --- the report ------------------------------------------------------------------------

def verdict(value, goal, lower_is_better=True):
    met = value <= goal if lower_is_better else value >= goal
    return "met" if met else "**missed**"


def mib(size):
    return f"{size / (1 << 20):.1f} MiB"


def report(m, figures):
    lines = [FIGURES_BEGIN, "",
             f"Measured {m['date']} on {m['nproc']} × {m['cpu']}, {m['memory_gib']:.1f} GiB "
             f"memory, Linux {m['kernel']}; load average {m['load']:.1f} at the start.", "",
             "| # | figure | measured | ratio | goal | |", "|---|---|---|---|---|---|"]
    for row in figures:
        lines.append("| " + " | ".join(str(cell) for cell in row) + " |")
    lines += ["", FIGURES_END]
    return "\n".join(lines)


def write_report(path, text):
    with open(path, encoding="utf-8") as current:
        document = current.read()
    begin, end = document.find(FIGURES_BEGIN), document.find(FIGURES_END)
    if begin < 0 or end < 0:
        document = document.rstrip("\n") + "\n\n" + text + "\n"
    else:
        document = document[:begin] + text + document[end + len(FIGURES_END):]
    with open(path, "w", encoding="utf-8") as out:
        out.write(document)


def stub_figure(stub):
    size = os.path.getsize(stub)
    return ("4", "SetupStub.exe (Setup.exe without its archive), stripped",
            f"{size / 1024:.0f} KiB ({size:,} bytes)", f"{size / STUB_GOAL:.2f} of the goal",
            "≤ 128 KiB", verdict(size, STUB_GOAL))


def size_figures(stub, windows):
    figures = [stub_figure(stub)]
    uninstall = os.path.getsize(os.path.join(windows, "_uninstall", "uninstall.exe"))
    figures.append(("4", "uninstall.exe, stripped",
                    f"{uninstall / 1024:.0f} KiB ({uninstall:,} bytes)",
                    f"{uninstall / UNINSTALL_GOAL:.2f} of the goal", "≤ 128 KiB",
                    verdict(uninstall, UNINSTALL_GOAL)))
    updater = os.path.getsize(os.path.join(windows, "_updater", "updater.exe"))
    figures.append(("4", "updater.exe, stripped",
                    f"{updater / 1024:.0f} KiB ({updater:,} bytes)",
                    f"{updater / UPDATER_GOAL:.2f} of the goal", "≤ 288 KiB",
                    verdict(updater, UPDATER_GOAL)))
    return figures


def wizard_figures(work, template, program, floor, client, setups, runs):
    figures = []
    log("2. time to wizard")
    prefix = WinePrefix(template, work, "update")
    try:
        bench_setup(prefix, program, "prepare-update", client)
        update, update_terms = time_to_wizard(
            prefix, program, [floor, setups["minimal-update"], setups["release"]], runs)
    finally:
        prefix.close()
    prefix = WinePrefix(template, work, "full")
    try:
        full, _ = time_to_wizard(prefix, program, [setups["minimal-full"], setups["large"]],
                                 runs)
    finally:
        prefix.close()
    medians = {**update, **full}
    floor_ms, minimal_ms = medians[floor], medians[setups["minimal-update"]]
    figures.append(("2", "time to wizard, minimal archive, against the floor: a bare program "
                    "with Setup.exe's libraries showing a small window, then a 363 x 403 one",
                    f"{minimal_ms:.0f} ms / {floor_ms:.0f} ms", f"{minimal_ms / floor_ms:.2f}",
                    "≤ 1.50, ≤ +100 ms",
                    verdict(max(minimal_ms / floor_ms / 1.5, (minimal_ms - floor_ms) / 100), 1.0)))
    # The wizard fills the terms memo once it is shown and painted, and a click waits
    # for that: Next clicked as soon as the wizard is seen shows what the user waits.
    minimal_terms = update_terms[setups["minimal-update"]]
    release_terms = update_terms[setups["release"]]
    figures.append(("2", "time to the terms page, Next clicked as soon as the wizard is seen: "
                    f"{mib(os.path.getsize(setups['release']))} release-shaped Update against "
                    "the minimal archive", f"{release_terms:.0f} ms / {minimal_terms:.0f} ms",
                    f"{release_terms / minimal_terms:.2f}", "", ""))
    comparisons = (("release", "minimal-update", "release-shaped Update", True),
                   ("large", "minimal-full", "three-segment Full", False))
    for big, minimal, label, has_goal in comparisons:
        big_ms, minimal_ms = medians[setups[big]], medians[setups[minimal]]
        ratio = big_ms / minimal_ms
        figures.append(("2", f"time to wizard, {mib(os.path.getsize(setups[big]))} {label}, "
                        "against a minimal archive", f"{big_ms:.0f} ms / {minimal_ms:.0f} ms",
                        f"{ratio:.2f}", "≤ 1.10" if has_goal else "(none)",
                        verdict(ratio, 1.10) if has_goal else ""))
    # The release's share is a few percent, below what medians of a few Wine starts
    # resolve on a busy machine; the 170 MB archive's cost per byte estimates it too.
    added = medians[setups["large"]] - medians[setups["minimal-full"]]
    estimate = added * os.path.getsize(setups["release"]) / os.path.getsize(setups["large"])
    base_ms = medians[setups["minimal-update"]]
    figures.append(("2a", "the release's share estimated from the 170 MB archive's cost per byte",
                    f"+{estimate:.0f} ms on {base_ms:.0f} ms", f"{(base_ms + estimate) / base_ms:.2f}",
                    "≤ 1.10", verdict((base_ms + estimate) / base_ms, 1.10)))
    return figures


def many_files_figures(work, mksetup, stub, client, template, program, runs):
    log("7. many files")
    plain_writer = os.path.join(os.path.dirname(program), "bench_plain_writer.exe")
    setups = {count: many_files.make_setup(work, mksetup, stub, client, count)
              for count in (0,) + many_files.COUNTS}
    shot = os.path.join(work, "many-files-shot.bmp")
    results, extras = many_files.measure(
        lambda name: WinePrefix(template, work, name),
        lambda prefix, *arguments: bench_setup(prefix, program, *arguments),
        lambda prefix, *arguments: bench_setup(prefix, plain_writer, *arguments), log_ticks,
        setups, runs, shot)
    if os.path.exists(shot):
        picture = os.path.join(ROOT, "docs", "many-files-install.png")
        subprocess.run(["convert", shot, "-trim", "+repage", picture], check=True)
        log(f"screenshot: {picture}")
    return many_files.figures(results, extras, verdict)


def feed_figures(work, mksetup, next_client, runs):
    log("9. publishing a feed")
    large = os.path.join(work, "large")
    folder, changed, changed_size, client_size = feed_publish.make_next_release(
        work, large, next_client, "807.4")
    result = feed_publish.measure(work, mksetup, large, folder, warm, runs)
    log(result["stored"])
    return feed_publish.figures(result, changed, changed_size, client_size, verdict)


def updater_figures(work, mksetup, stub, windows, client, next_client, runs):
    log("10. the updater against nginx")
    programs = {"updater": os.path.join(windows, "_updater", "updater.exe"), "client3": client,
                "client4": next_client,
                "client5": os.path.join(windows, "tests", "net", "client-0.807.5", "TDMClient.exe")}
    # Every run copies a prefix with a release installed (tests/net's script makes it
    # from the run's template), not the bare template.
    result = updater_bench.measure(work, mksetup, stub, programs,
                                   lambda name, installed: WinePrefix(installed, work, name),
                                   warm, runs, log)
    return updater_bench.figures(result, verdict)


def replace_rows(path, number, label, text):
    """Puts the rows of figure `number` (a pattern, e.g. "[47]" for 4 and 7, with their
    a, b, ... rows) from `text` into the figures table of `path` in place of the old
    ones, with a line that dates them."""
    with open(path, encoding="utf-8") as current:
        document = current.read()
    ours = re.compile(rf"\| {number}[a-z]? \||{label} measured ")
    new_rows = [line for line in text.splitlines() if ours.match(line)]
    when = text.splitlines()[2][len("Measured "):]
    kept = [line for line in document.splitlines() if not ours.match(line)]
    end = kept.index(FIGURES_END.strip())
    # The rows go at the table's end, the dating line after the others.
    last_row = max(n for n, line in enumerate(kept[:end]) if line.startswith("| "))
    while end > 0 and kept[end - 1] == "":
        end -= 1
    kept[end:end] = ["", f"{label} measured {when}"]
    kept[last_row + 1:last_row + 1] = new_rows
    begin = kept.index(FIGURES_BEGIN.strip())
    end = kept.index(FIGURES_END.strip())
    # A dating line taken out leaves two blank lines.
    kept[begin:end] = [line for n, line in enumerate(kept[begin:end])
                       if line or kept[begin + n - 1] != ""]
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(kept) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--host-build", required=True)
    parser.add_argument("--windows-build", required=True)
    parser.add_argument("--runs", type=int, default=5, help="runs per time-to-wizard median")
    parser.add_argument("--installs", type=int, default=3, help="installations for the median")
    parser.add_argument("--many-runs", type=int, default=3,
                        help="installations per many-files median")
    parser.add_argument("--only-many-files", action="store_true",
                        help="only figure 7; the other rows of the table stay as they are")
    parser.add_argument("--feed-runs", type=int, default=3, help="rounds per figure 9 median")
    parser.add_argument("--only-feed", action="store_true",
                        help="only figure 9 (no Wine); the other rows of the table stay")
    parser.add_argument("--updater-runs", type=int, default=3,
                        help="rounds per figure 10 median")
    parser.add_argument("--only-updater", action="store_true",
                        help="only figure 10; the other rows of the table stay")
    parser.add_argument("--only-wizard", action="store_true",
                        help="only figures 2 and 4; the other rows of the table stay")
    parser.add_argument("--output", default=os.path.join(ROOT, "BENCHMARKS.md"))
    options = parser.parse_args()

    host, windows = os.path.abspath(options.host_build), os.path.abspath(options.windows_build)
    mksetup = os.path.join(host, "tools", "mksetup", "mksetup")
    stub = os.path.join(windows, "_setup", "SetupStub.exe")
    program = os.path.join(windows, "bench", "bench_setup.exe")
    floor = os.path.join(windows, "bench", "bench_floor.exe")
    client = os.path.join(windows, "demo", "client-0.807.3", "TDMClient.exe")
    next_client = os.path.join(windows, "demo", "client-0.807.4", "TDMClient.exe")
    uninstaller = os.path.join(windows, "_uninstall", "uninstall.exe")
    work = os.path.join(windows, "bench-work")
    os.makedirs(work, exist_ok=True)
    m = machine()
    figures = []
    if options.only_feed:
        make_payloads(work, client, next_client, uninstaller)
        figures = feed_figures(work, mksetup, next_client, options.feed_runs)
        for row in figures:
            log(" | ".join(str(cell) for cell in row))
        replace_rows(options.output, "9", "Row 9", report(m, figures))
        return
    template = run([os.path.join(ROOT, "tools", "wine-prefix")]).stdout.strip()
    if options.only_updater:
        make_payloads(work, client, next_client, uninstaller)
        figures = updater_figures(work, mksetup, stub, windows, client, next_client,
                                  options.updater_runs)
        for row in figures:
            log(" | ".join(str(cell) for cell in row))
        replace_rows(options.output, "10", "Row 10", report(m, figures))
        return
    if options.only_wizard:
        make_payloads(work, client, next_client, uninstaller)
        setups = make_setups(work, mksetup, stub)
        figures = (wizard_figures(work, template, program, floor, client, setups, options.runs) +
                   size_figures(stub, windows))
        for row in figures:
            log(" | ".join(str(cell) for cell in row))
        replace_rows(options.output, "[24]", "Rows 2 and 4", report(m, figures))
        return
    if options.only_many_files:
        figures = size_figures(stub, windows) + many_files_figures(
            work, mksetup, stub, client, template, program, options.many_runs)
        for row in figures:
            log(" | ".join(str(cell) for cell in row))
        replace_rows(options.output, "[47]", "Rows 4 and 7", report(m, figures))
        return

    log("1. checksum throughput")
    for name, size, ratio, plain in checksum(host):
        figures.append(("1", f"`archive::{name}`, {size >> 20} MiB buffer, against memchr",
                        f"memchr {plain / 1e9:.1f} GB/s", f"{ratio:.2f}", "≥ 0.90",
                        verdict(ratio, 0.9, lower_is_better=False)))

    make_payloads(work, client, next_client, uninstaller)
    setups = make_setups(work, mksetup, stub)

    figures += wizard_figures(work, template, program, floor, client, setups, options.runs)

    log("3. and 5. file stage and memory of the 170 MB installation")
    large = os.path.join(work, "large")
    files = payloads.payload_files(large)
    stage, copy, peak, (per_file, data), raw = install(template, work, program,
                                                       setups["large"], files, options.installs)
    figures.append(("3", "file stage of the 170 MB installation, against `cp -r`",
                    f"{stage:.2f} s / {copy:.2f} s", f"{stage / copy:.2f}", "≤ 1.20",
                    verdict(stage / copy, 1.2)))
    figures.append(("3a", f"of which a fixed cost per file ({len(files)} files)",
                    f"{per_file * 1000:.0f} ms per file", f"{per_file * len(files) / copy:.2f}",
                    "", ""))
    figures.append(("3b", "of which the data bytes, against `cp -r`", f"{data:.2f} s",
                    f"{data / copy:.2f}", "≤ 1.20", verdict(data / copy, 1.2)))
    figures.append(("3c", "for reference: the same bytes in as many files written under Wine "
                    "without the installer (create, write, set times, close), against `cp -r`",
                    f"{raw:.2f} s", f"{raw / copy:.2f}", "", ""))
    archive_size = os.path.getsize(setups["large"]) - os.path.getsize(stub)
    over = peak - archive_size
    figures.append(("5", "peak resident memory of Setup.exe during the 170 MB installation",
                    f"{mib(peak)} for a {mib(archive_size)} archive", f"archive + {mib(over)}",
                    "archive + 32 MiB", verdict(over, 32 << 20)))

    log("4. program sizes")
    figures += size_figures(stub, windows)

    log("6. builder throughput")
    build, cat, built = builder(work, mksetup)
    figures.append(("6", f"`mksetup archive` of the 170 MB payload ({mib(built)}), against `cat`",
                    f"{build:.2f} s / {cat:.2f} s", f"{build / cat:.2f}", "≤ 1.50",
                    verdict(build / cat, 1.5)))

    figures += feed_figures(work, mksetup, next_client, options.feed_runs)

    figures += many_files_figures(work, mksetup, stub, client, template, program,
                                  options.many_runs)

    figures += updater_figures(work, mksetup, stub, windows, client, next_client,
                               options.updater_runs)

    for row in figures:
        log(" | ".join(str(cell) for cell in row))
    text = report(m, figures)
    write_report(options.output, text)
    print(text)


if __name__ == "__main__":
    main()
