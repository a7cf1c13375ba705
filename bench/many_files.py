"""Figure 7 of tools/bench: the file stage of installations with thousands of 4 KiB
files, against a plain writer in the same Wine prefix, and what each of the
installer's costs per file adds to the plain writer."""

import os
import shutil
import statistics
import subprocess

import payloads

COUNTS = (2000, 20000)  # and 0, the fixed part
PER_FOLDER = 50
FILE_SIZE = 4096
PAYLOAD_VERSION = "2"
# Ratio goals against the plain writer for the 2,000-file stage; per file for all.
RATIO_GOALS = {False: 2.0, True: 2.0}
PER_FILE_GOAL_MS = 0.5
SHOT_PERCENT = 40


def make_setup(work, mksetup, stub, client, count):
    folder = os.path.join(work, f"many-{count}")
    stamp = os.path.join(folder, "payload.stamp")
    if not (os.path.exists(stamp) and open(stamp).read() == PAYLOAD_VERSION):
        shutil.rmtree(folder, ignore_errors=True)
        payloads.make_many(folder, client, count, PER_FOLDER)
        with open(stamp, "w") as out:
            out.write(PAYLOAD_VERSION)
    setup = os.path.join(folder, "Setup.exe")
    subprocess.run([mksetup, "setup", os.path.join(folder, "bench.ini"), "--stub", stub, "-o",
                    setup], check=True, capture_output=True)
    return setup


def seconds(output, key):
    for line in output.splitlines():
        if line.startswith(key + " "):
            return float(line.split()[1])
    raise RuntimeError(f"no {key} in:\n{output}")


def plain_writer(prefix, bench, count, extra=""):
    arguments = ["write-files", f"C:\\plain-{extra or 'none'}", str(count), str(FILE_SIZE),
                 str(count // PER_FOLDER)] + ([extra] if extra else [])
    return seconds(bench(prefix, *arguments), "write_seconds")


def reference_writer(prefix, reference, count):
    """Figure 7's reference: bench_plain_writer, which creates, writes, sets the times
    of and closes each file and does nothing else."""
    return seconds(reference(prefix, "C:\\plain", str(count), str(FILE_SIZE),
                             str(count // PER_FOLDER)), "write_seconds")


def installation(prefix, bench, ticks, setup, debug, shot=None):
    """Seconds of the file stage: from the log with -debug, else from the click on
    Start! to the success page, as the user sees it."""
    log_path = os.path.join(os.path.dirname(setup), "setup.log")
    if os.path.exists(log_path):
        os.remove(log_path)
    arguments = ["install", setup] + ([] if debug else ["no-debug"])
    if shot:
        arguments += ["screenshot", shot, str(SHOT_PERCENT)]
    output = bench(prefix, *arguments)
    if "install ok" not in output:
        raise RuntimeError(output)
    outside = seconds(output, "start_to_end_ms") / 1000
    if not debug:
        return outside
    return ticks(log_path, "create data files", "create registry entries") / 1000


def measure(new_prefix, bench, reference, ticks, setups, runs, shot):
    """{(count, debug): (stage, plain)} medians, and {extra: ms per file} for 2,000.
    Count 0 is the archive without the many files: its stage is the fixed part of the
    time from Start! to the success page (directories, shortcuts, registry)."""
    results = {}
    for count, setup in setups.items():
        for debug in (False, True) if count else (False,):
            stages, plains = [], []
            for number in range(runs):
                prefix = new_prefix(f"many-{count}-{int(debug)}-{number}")
                try:
                    take = shot if count == max(setups) and not debug and number == 0 else None
                    # The plain writer goes first in every other round, so neither side
                    # always meets the fresh prefix.
                    if number % 2 == 0 and count:
                        plains.append(reference_writer(prefix, reference, count))
                    stages.append(installation(prefix, bench, ticks, setup, debug, take))
                    if number % 2 == 1 and count:
                        plains.append(reference_writer(prefix, reference, count))
                finally:
                    prefix.close()
            results[(count, debug)] = (statistics.median(stages),
                                       statistics.median(plains) if plains else 0.0)
    extras = {}
    count = min(COUNTS)
    prefix = new_prefix("many-extras")
    try:
        for _ in range(runs):
            plain = plain_writer(prefix, bench, count)
            for extra in ("log", "refresh", "repaint"):
                cost = (plain_writer(prefix, bench, count, extra) - plain) / count * 1000
                extras.setdefault(extra, []).append(cost)
    finally:
        prefix.close()
    return results, {extra: statistics.median(costs) for extra, costs in extras.items()}


EXTRA_LABELS = {
    "log": "a log line per file, appended with its own open, write and close (-debug)",
    "refresh": "status line and bar set, what they invalidated painted, messages processed",
    "repaint": "the same with the whole window invalidated, erased and painted (the former refresh)",
}


def figures(results, extras, verdict):
    rows = []
    fixed = results[(0, False)][0]
    rows.append(("7", "Start! to the success page without the many files (3 files): the fixed "
                 "part, directories, shortcuts and registry", f"{fixed:.2f} s", "", "", ""))
    for (count, debug), (stage, plain) in sorted(results.items()):
        if count == 0:
            continue
        how = "with -debug, from the log" if debug else "without -debug, Start! to the success page"
        has_goal = count == min(COUNTS)
        goal = RATIO_GOALS[debug]
        rows.append(("7", f"file stage, {count:,} files of 4 KiB, {how}, against the plain writer",
                     f"{stage:.2f} s / {plain:.2f} s", f"{stage / plain:.2f}",
                     f"≤ {goal:.2f}" if has_goal else "", verdict(stage / plain, goal) if has_goal
                     else ""))
        # Without -debug the outside time holds the fixed part, which is not per file.
        own = stage if debug else stage - fixed
        above = (own - plain) / count * 1000
        rows.append(("7a", f"per file above the plain writer ({count:,}, "
                     f"{'with -debug' if debug else 'without -debug, the fixed part taken off'})",
                     f"{above:.2f} ms", f"{own / plain:.2f}", f"≤ {PER_FILE_GOAL_MS} ms",
                     verdict(above, PER_FILE_GOAL_MS)))
    for extra, cost in extras.items():
        rows.append(("7b", f"plain writer plus {EXTRA_LABELS[extra]}", f"{cost:+.2f} ms per file",
                     "", "", ""))
    return rows
