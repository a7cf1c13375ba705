"""Figure 10 of tools/bench (Wine): updater.exe /S against nginx on 127.0.0.1, served
by the updater tests' own server script. 10a: the 170 MB release downloaded, verified
and applied over an installed earlier release, against curl of the same files from the
same server and sha256sum of them; 10b: the check of an up-to-date installation of
2,000 files; 10c: the bytes fetched when one file of about 1 MB changes."""

import glob
import os
import re
import shutil
import signal
import statistics
import subprocess
import time

import feed_publish
import many_files

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SERVER_SCRIPT = os.path.join(ROOT, "tests", "net", "test_server.sh")
SNAPSHOT_SCRIPT = os.path.join(ROOT, "tests", "net", "installed_snapshot.sh")
APPLY_GOAL = 1.2
CHECK_GOAL = 0.2  # seconds
FETCH_GOAL = 1.1  # of the bytes of the files that changed
# The log's lines (the installations are English): the check's verdict (text 205), the
# first download, the end of the downloads, and the program's last line.
UP_TO_DATE = "No new files found or needed."
RECEIVING = "Receiving file: "
DOWNLOADED = "Download finished."
CLOSING = "closing updater, exit code 0"
MANY = 2000

UPDATER_SECTION = """
[Updater]
Program = {program}
Feed = {feed}
PublicKey = {key}
"""


class Server:
    """nginx on 127.0.0.1 on a free port, started and stopped by the tests' script; its
    /feed/ is the variant `select` names. Stopped on leaving, errors and SIGTERM too."""

    def __init__(self, state, www):
        self.state, self.www = state, www
        self.access_log = os.path.join(state, "access.log")

    def __enter__(self):
        shutil.rmtree(self.state, ignore_errors=True)
        os.makedirs(os.path.join(self.www, "variants"), exist_ok=True)
        self.previous = signal.signal(signal.SIGTERM, self._terminated)
        subprocess.run(["bash", SERVER_SCRIPT, "start-nginx", self.state, self.www, ""],
                       check=True)
        with open(os.path.join(self.state, "nginx.port"), encoding="ascii") as port:
            self.url = f"http://127.0.0.1:{port.read().strip()}/feed/"
        return self

    def __exit__(self, *_):
        subprocess.run(["bash", SERVER_SCRIPT, "stop-nginx", self.state], check=False)
        signal.signal(signal.SIGTERM, self.previous)

    @staticmethod
    def _terminated(*_):
        raise SystemExit("terminated")

    def variant(self, name):
        return os.path.join(self.www, "variants", name)

    def select(self, name):
        link = os.path.join(self.www, "selected")
        if os.path.lexists(link + ".new"):
            os.remove(link + ".new")
        os.symlink(os.path.join("variants", name), link + ".new")
        os.replace(link + ".new", link)

    def log_size(self):
        return os.path.getsize(self.access_log) if os.path.exists(self.access_log) else 0

    def sent_since(self, position):
        """(path, status, body bytes) of every request logged after `position`."""
        with open(self.access_log, "rb") as log:
            log.seek(position)
            lines = log.read().decode("ascii", "replace").splitlines()
        return [(fields[1], int(fields[2]), int(fields[3]))
                for fields in (line.split() for line in lines) if len(fields) >= 4]


# --- the releases and their feeds ------------------------------------------------------

def _release(folder, source, version, client=None, updater_section=""):
    """`source`'s payload hard-linked into `folder` (TDMClient.exe replaced by `client`),
    its manifest of `version` with the updater's section."""
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(os.path.join(source, "payload"), os.path.join(folder, "payload"),
                    copy_function=os.link)
    if client:
        target = os.path.join(folder, "payload", "TDMClient.exe")
        os.remove(target)  # a link to the source's: replaced, never written through
        shutil.copyfile(client, target)
    feed_publish.manifest_of_version(source, folder, version)
    with open(os.path.join(folder, "bench.ini"), "a", encoding="utf-8") as manifest:
        manifest.write(updater_section)
    return folder


def _mksetup(mksetup, *arguments):
    subprocess.run([mksetup, *arguments], check=True, capture_output=True)


def _publish(mksetup, key, url, feed, *folders):
    shutil.rmtree(feed, ignore_errors=True)
    for folder in folders:
        _mksetup(mksetup, "publish", os.path.join(folder, "bench.ini"), "--feed", feed,
                 "--key", key + ".key", "--mirror", url)


def _snapshot(folder, setup):
    """A prefix with `setup` installed silently for the current user, by the tests' script."""
    subprocess.run(["bash", SNAPSHOT_SCRIPT, folder, setup], check=True, capture_output=True)
    return folder


def _install_dir(prefix_path):
    """The installation's folder as the registry holds it: (Windows path, Unix path)."""
    with open(os.path.join(prefix_path, "user.reg"), encoding="utf-8", errors="replace") as reg:
        text = reg.read()
    section = text.split("[Software\\\\Tidemoor]", 1)[1]
    windows = re.search(r'"InstallDir"="([^"]+)"', section).group(1).replace("\\\\", "\\")
    unix = os.path.join(prefix_path, "drive_c", *windows[3:].split("\\"))
    return windows, unix


# --- one run of the updater --------------------------------------------------------------

def _log_lines(prefix_path):
    """(tick count, text) of every line of the updater's log in the prefix's %TEMP%
    (Wine's is the user's folder's Temp)."""
    found = glob.glob(os.path.join(prefix_path, "drive_c", "users", "*", "Temp", "updater.log"))
    if not found:
        return []
    lines = []
    with open(found[0], encoding="cp1252", errors="replace") as log:
        for line in log:
            fields = line.rstrip("\r\n").split(" : ", 3)
            if len(fields) == 4 and fields[0].strip().isdigit():
                lines.append((int(fields[0]), fields[3]))
    return lines


def _wine(prefix, *command):
    """Exit code of a program under Wine. Its output is not read: Wine's own processes
    that the first program starts keep it open after the program ends."""
    return subprocess.run(["wine", *command], env=prefix.environment, check=False,
                          stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode


def _start_wine(prefix):
    """The prefix's wineserver kept running and Wine's own processes started, so that
    the timed run starts as a player's second program does."""
    # Refused, harmlessly, when the prefix's server already runs.
    subprocess.run(["wineserver", "-p"], env=prefix.environment, check=False,
                   stderr=subprocess.DEVNULL)
    _wine(prefix, "cmd.exe", "/c", "exit")


def run_updater(prefix):
    """updater.exe /S -debug of the prefix's installation: (seconds from Wine's start of
    it to its exit, its log's lines); an exit code other than 0 is an error."""
    for old in glob.glob(os.path.join(prefix.path, "drive_c", "users", "*", "Temp",
                                      "updater*.log")):
        os.remove(old)
    windows, _ = _install_dir(prefix.path)
    start = time.perf_counter()
    code = _wine(prefix, windows + "\\updater.exe", "/S", "-debug")
    seconds = time.perf_counter() - start
    lines = _log_lines(prefix.path)
    if code != 0:
        text = "\n".join(line for _, line in lines)
        raise RuntimeError(f"updater.exe /S ended with {code}:\n{text}")
    return seconds, lines


def _span(lines, last, first="starting updater"):
    """Seconds from the first line that starts with `first` (the run's first line after
    the log's header, by default) to the next that starts with `last`."""
    start = next((tick for tick, text in lines if text.startswith(first)), None)
    end = next((tick for tick, text in lines
                if start is not None and tick >= start and text.startswith(last)), None)
    if end is None:
        text = "\n".join(line for _, line in lines)
        raise RuntimeError(f"no \"{first}\" and \"{last}\" in the updater's log:\n{text}")
    return (end - start) / 1000


# --- 10a. the 170 MB release against curl and sha256sum ------------------------------------

def _curl_and_hash(url_base, paths, folder):
    """curl of `paths` from the server into `folder` in one connection, then sha256sum of
    them: (seconds of both, seconds with a sync after). Each content file's hash must be
    its name."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    command = ["curl", "--fail", "--silent", "--show-error"]
    targets = []
    for number, path in enumerate(paths):
        target = os.path.join(folder, f"{number:03}-{os.path.basename(path)}")
        targets.append(target)
        command += ["--output", target, url_base + path]
    start = time.perf_counter()
    subprocess.run(command, check=True)
    hashed = subprocess.run(["sha256sum"] + targets, check=True, capture_output=True,
                            text=True).stdout
    seconds = time.perf_counter() - start
    subprocess.run(["sync"], check=True)
    synced = time.perf_counter() - start
    for line, path in zip(hashed.splitlines(), paths):
        # A compressed form is named by its content's hash, not its own.
        if "/files/" in path and not path.endswith(".zst") and \
                line.split()[0] != os.path.basename(path):
            raise RuntimeError(f"curl fetched {path} with another hash: {line}")
    return seconds, synced


def _feed_files(feed):
    return sorted(glob.glob(os.path.join(feed, "files", "*", "*")) +
                  [os.path.join(feed, "index.tdmfeed")])


def apply_rounds(new_prefix, server, snapshot, feed, client, warm, runs):
    """Rounds of the updater and curl taking turns, each in a fresh copy of `snapshot`
    and from a warm page cache after a sync. Returns the medians and the prefix the last
    round updated, left for 10c (the caller closes it)."""
    times = {name: [] for name in ("log", "download", "apply", "wall", "curl", "curl_synced",
                                   "fetched")}
    paths = []
    prefix = None
    try:
        for number in range(runs):
            if prefix is not None:
                prefix.close()
            prefix = new_prefix(f"updater-apply-{number}", snapshot)
            _apply_round(prefix, server, feed, client, warm, number % 2 == 0, paths, times)
    except BaseException:
        if prefix is not None:
            prefix.close()
        raise
    medians = {name: statistics.median(values) for name, values in times.items()}
    medians["files"] = len(paths)
    return medians, prefix


def _apply_round(prefix, server, feed, client, warm, updater_first, paths, times):
    """One round; the first goes updater first and learns from nginx's log which files
    it asks for, which curl then fetches in every round."""
    _start_wine(prefix)
    for side in ("updater", "curl") if updater_first else ("curl", "updater"):
        subprocess.run(["sync"], check=True)
        warm(_feed_files(feed))
        if side == "curl":
            seconds, synced = _curl_and_hash(server.url[:-len("/feed/")], paths,
                                             os.path.join(prefix.path, "drive_c", "curl"))
            times["curl"].append(seconds)
            times["curl_synced"].append(synced)
            continue
        position = server.log_size()
        wall, lines = run_updater(prefix)
        times["wall"].append(wall)
        times["log"].append(_span(lines, CLOSING))
        times["download"].append(_span(lines, DOWNLOADED, RECEIVING))
        times["apply"].append(_span(lines, CLOSING, DOWNLOADED))
        sent = server.sent_since(position)
        if not paths:
            paths += [path for path, status, _ in sent if status in (200, 206)]
        times["fetched"].append(sum(size for _, _, size in sent))
        _, unix = _install_dir(prefix.path)
        with open(os.path.join(unix, "TDMClient.exe"), "rb") as installed, \
                open(client, "rb") as expected:
            if installed.read() != expected.read():
                raise RuntimeError("the updated installation has another client")
    shutil.rmtree(os.path.join(prefix.path, "drive_c", "curl"))


# --- 10b. the check of 2,000 files, and 10c. one changed file -----------------------------

def check_rounds(new_prefix, snapshot, runs):
    """Seconds from the log's first line to the verdict, median of `runs` checks in one
    copy of `snapshot` after an untimed one (a check changes nothing but the log)."""
    prefix = new_prefix("updater-check", snapshot)
    try:
        _start_wine(prefix)
        spans = []
        for number in range(runs + 1):
            _, lines = run_updater(prefix)
            if number:
                spans.append(_span(lines, UP_TO_DATE))
        return statistics.median(spans)
    finally:
        prefix.close()


def changed_file_run(prefix, server):
    """The updater over the installed 170 MB release with the next one served: the bytes
    nginx sent, as {path: bytes}."""
    _start_wine(prefix)
    position = server.log_size()
    run_updater(prefix)
    sent = {}
    for path, _, size in server.sent_since(position):
        sent[path] = sent.get(path, 0) + size
    return sent


# --- the whole figure --------------------------------------------------------------------

def measure(work, mksetup, stub, programs, new_prefix, warm, runs, log):
    """programs: updater, and the clients of 807.3, 807.4 and 807.5. Everything made here
    is made again each run: the updater carries the feed's address and so the port."""
    folder = os.path.join(work, "updater")
    os.makedirs(folder, exist_ok=True)
    key = os.path.join(folder, "publisher")
    if not os.path.exists(key + ".key"):
        _mksetup(mksetup, "keygen", key)
    many_setup = many_files.make_setup(work, mksetup, stub, programs["client3"], MANY)
    snapshots = []
    prefix = None
    with Server(os.path.join(folder, "server"), os.path.join(folder, "www")) as server:
        try:
            section = UPDATER_SECTION.format(program=programs["updater"], feed=server.url,
                                             key=key + ".pub")
            log("10. the updater: releases, feeds and installed prefixes")
            r1 = _release(os.path.join(folder, "r1"), os.path.join(work, "minimal-full"),
                          "807.3", None, section)
            r2 = _release(os.path.join(folder, "r2"), os.path.join(work, "large"), "807.4",
                          programs["client4"], section)
            r3, changed, changed_size, client_size = feed_publish.make_next_release(
                folder, r2, programs["client5"], "807.5")
            many = _release(os.path.join(folder, "many"), os.path.dirname(many_setup), "807.3",
                            None, section)
            _publish(mksetup, key, server.url, server.variant("large"), r1, r2)
            _publish(mksetup, key, server.url, server.variant("next"), r1, r2, r3)
            _publish(mksetup, key, server.url, server.variant("many"), many)
            for name, release in (("r1", r1), ("many", many)):
                setup = os.path.join(release, "Setup.exe")
                _mksetup(mksetup, "setup", os.path.join(release, "bench.ini"), "--stub", stub,
                         "-o", setup)
                snapshots.append(_snapshot(os.path.join(folder, f"installed-{name}"), setup))

            log("10a. the 170 MB release against curl and sha256sum")
            server.select("large")
            result, prefix = apply_rounds(new_prefix, server, snapshots[0],
                                          server.variant("large"),
                                          os.path.join(r2, "payload", "TDMClient.exe"), warm, runs)
            log("10c. one changed file")
            server.select("next")
            result["sent"] = changed_file_run(prefix, server)
            result["changed"] = {changed: changed_size, "TDMClient.exe": client_size}
            log("10b. the check of 2,000 files")
            server.select("many")
            result["check"] = check_rounds(new_prefix, snapshots[1], runs)
        finally:
            if prefix is not None:
                prefix.close()
            for snapshot in snapshots:
                shutil.rmtree(snapshot, ignore_errors=True)
            shutil.rmtree(os.path.join(folder, "www"), ignore_errors=True)
    return result


def figures(result, verdict):
    log_s, wall, curl = result["log"], result["wall"], result["curl"]
    synced = result["curl_synced"]
    sent = result["sent"]
    total = sum(sent.values())
    index = sum(size for path, size in sent.items() if "/files/" not in path)
    changed = sum(result["changed"].values())
    names = "; ".join(f"`{name}`, {size:,} bytes" for name, size in result["changed"].items())
    return [
        ("10a", f"`updater.exe /S` from a minimal 807.3 to the 170 MB release 807.4 from "
         f"nginx on 127.0.0.1 ({result['files']} requests, {int(result['fetched']):,} bytes), its log's "
         "first line to its last, against `curl` of the same files from the same server and "
         "`sha256sum` of them", f"{log_s:.2f} s / {curl:.2f} s", f"{log_s / curl:.2f}",
         f"≤ {APPLY_GOAL:.2f}", verdict(log_s / curl, APPLY_GOAL)),
        ("10a", f"of which the downloads, from the first \"{RECEIVING.strip()}\" to "
         f"\"{DOWNLOADED}\" (WinINet, each file's SHA-256 through CNG, written to the disk)",
         f"{result['download']:.2f} s", f"{result['download'] / curl:.2f}", "", ""),
        ("10a", "of which the apply, from there to the last line (staging with each file "
         "flushed, the journal, the moves, the links, the registry)",
         f"{result['apply']:.2f} s", f"{result['apply'] / curl:.2f}", "", ""),
        ("10a", "the same from Wine's start of `updater.exe` to its exit",
         f"{wall:.2f} s / {curl:.2f} s", f"{wall / curl:.2f}", "", ""),
        ("10a", "the same log span against `curl`, `sha256sum` and `sync` (the updater flushes "
         "every file it stages)", f"{log_s:.2f} s / {synced:.2f} s", f"{log_s / synced:.2f}",
         "", ""),
        ("10b", f"`updater.exe /S` on an up-to-date installation of {MANY:,} files: its log's "
         f"first line to the verdict (\"{UP_TO_DATE}\")", f"{result['check']:.3f} s",
         f"{result['check'] / CHECK_GOAL:.2f} of the goal", f"≤ {CHECK_GOAL} s",
         verdict(result["check"], CHECK_GOAL)),
        ("10c", f"bytes nginx sent for the next release, which changes one file ({names}; the "
         f"client carries the version), of which {index:,} bytes the index",
         f"{total:,} bytes", f"{total / changed:.2f} of the changed files",
         f"≤ {FETCH_GOAL:.2f} (about 1 MB)", verdict(total / changed, FETCH_GOAL)),
    ]
