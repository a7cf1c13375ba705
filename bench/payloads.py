"""The payloads and manifests tools/bench measures: the release's shape, a 170 MB
three-segment archive and the two smallest archives Setup.exe accepts."""

import os
import random
import shutil

# The current release: an Update of 15 files with 16,514,375 data bytes in 26
# directories, 255 German and 226 English terms lines.
RELEASE_DATA_BYTES = 16_514_375
RELEASE_TERMS_LINES = (255, 226)
# About 170 MB of file data: two segments above 80,000,000 bytes and a third.
LARGE_DATA_BYTES = 170_000_000

RELEASE_DIRECTORIES = (
    ["data", "data/maps"] + [f"data/maps/m{n:02}" for n in range(1, 9)] +
    ["data/sound", "data/sound/music", "data/sound/fx", "data/textures"] +
    [f"data/textures/t{n:02}" for n in range(1, 7)] +
    ["data/models", "data/ui", "data/ui/fonts", "data/ui/icons", "save", "logs"])
assert len(RELEASE_DIRECTORIES) == 26

LARGE_DIRECTORIES = ["data", "data/maps", "data/sound", "data/textures", "data/models",
                     "data/video", "data/ui", "save"]

SETUP_SECTION = """[Setup]
Kind = {kind}
Title = Tidemoor {version} (benchmark)
InstallFolder = \\Tidemoor
StartMenuGroup = Tidemoor
PackageVersion = {version}
{required}Payload = payload
"""

REST_OF_MANIFEST = """
[Terms]
German = terms_de.txt
English = terms_en.txt

[Readme]
GermanFile = liesmich.txt
GermanLink = Wichtige Informationen.lnk
EnglishFile = readme.txt
EnglishLink = Important information.lnk

[Program]
File = TDMClient.exe
DesktopLink = Tidemoor.lnk

[Shortcuts]
{shortcuts}"""

FULL_SHORTCUTS = ("Shortcut = uninstall.exe, 25\nShortcut = TDMClient.exe, 23\n"
                  "Shortcut = TDMOptions.exe, 24\n")
MINIMAL_SHORTCUTS = "Shortcut = TDMClient.exe, 23\n"


def _write_random(path, size, rng):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        left = size
        while left > 0:
            chunk = min(left, 8 << 20)
            out.write(rng.randbytes(chunk))
            left -= chunk


def _terms(path, lines, german):
    word = "Nutzungsbedingungen für Tidemoor, Absatz" if german else "Terms of use of Tidemoor, clause"
    with open(path, "w", encoding="utf-8") as out:
        for n in range(lines):
            # every ninth line empty, as paragraphs are
            line = "" if n % 9 == 8 else f"{word} {n}: " + "x" * (n % 160)
            out.write(line + "\n")


def _manifest(folder, kind, version, required, shortcuts, terms_lines, uninstaller=None):
    with open(os.path.join(folder, "bench.ini"), "w", encoding="utf-8") as out:
        # A Full installs over nothing: mksetup refuses a required version in one.
        required = f"RequiredVersion = {required}\n" if kind == "Update" else ""
        out.write(SETUP_SECTION.format(kind=kind, version=version, required=required))
        out.write(REST_OF_MANIFEST.format(shortcuts=shortcuts))
        # An Update must bring its uninstaller, or its new files would stay behind.
        if uninstaller:
            out.write(f"\n[Uninstall]\nProgram = {uninstaller}\n")
    _terms(os.path.join(folder, "terms_de.txt"), terms_lines[0], True)
    _terms(os.path.join(folder, "terms_en.txt"), terms_lines[1], False)


def _common_files(payload, client, rng, with_tools, tools=("uninstall.exe", "TDMOptions.exe")):
    shutil.copyfile(client, os.path.join(payload, "TDMClient.exe"))
    for name, text in (("readme.txt", "Read me.\r\n"), ("liesmich.txt", "Lies mich.\r\n")):
        with open(os.path.join(payload, name), "w", encoding="ascii") as out:
            out.write(text)
    if with_tools:
        for name in tools:
            _write_random(os.path.join(payload, name), 150_000, rng)
    paths = [os.path.join(payload, name) for name in os.listdir(payload)]
    return sum(os.path.getsize(path) for path in paths if os.path.isfile(path))


def make_release(folder, client, uninstaller):
    """Update, one segment, the release's counts and data bytes exactly (the client of
    its version, the real uninstaller among them)."""
    rng = random.Random(807)
    payload = os.path.join(folder, "payload")
    os.makedirs(payload)
    for directory in RELEASE_DIRECTORIES:
        os.makedirs(os.path.join(payload, directory))
    used = _common_files(payload, client, rng, with_tools=True, tools=("TDMOptions.exe",))
    used += os.path.getsize(uninstaller)
    data_files = ["data/maps/m01/world.dat", "data/maps/m02/world.dat", "data/sound/music/theme.ogg",
                  "data/sound/fx/effects.pak", "data/textures/t01/ground.pak",
                  "data/textures/t02/sky.pak", "data/models/units.pak", "data/ui/fonts/fonts.pak",
                  "data/ui/icons/icons.pak", "data/game.pak"]
    left = RELEASE_DATA_BYTES - used
    for index, name in enumerate(data_files):
        size = left if index == len(data_files) - 1 else left // (len(data_files) - index) // 2
        _write_random(os.path.join(payload, name), size, rng)
        left -= size
    _manifest(folder, "Update", "807.4", "807.3", FULL_SHORTCUTS, RELEASE_TERMS_LINES, uninstaller)


def make_large(folder, client):
    """Full, three segments, about 170 MB of data in 48 files."""
    rng = random.Random(170)
    payload = os.path.join(folder, "payload")
    os.makedirs(payload)
    for directory in LARGE_DIRECTORIES:
        os.makedirs(os.path.join(payload, directory))
    left = LARGE_DATA_BYTES - _common_files(payload, client, rng, with_tools=True)
    names = [f"{directory}/part{n:02}.pak" for directory in LARGE_DIRECTORIES[1:6] for n in range(9)]
    names += ["data/ui/interface.pak", "data/game.pak", "data/strings.pak"]
    sizes = [1 + (n * 7919) % 13 for n in range(len(names))]  # uneven, like real data
    for index, name in enumerate(names):
        size = left if index == len(names) - 1 else left * sizes[index] // sum(sizes[index:])
        _write_random(os.path.join(payload, name), size, rng)
        left -= size
    _manifest(folder, "Full", "807.3", "0.0", FULL_SHORTCUTS, RELEASE_TERMS_LINES)


def make_minimal(folder, client, kind, uninstaller=None):
    """The smallest archive of the kind: one terms line, no directories, three files
    (an Update also its uninstaller and list, which mksetup requires of one)."""
    payload = os.path.join(folder, "payload")
    os.makedirs(payload)
    _common_files(payload, client, random.Random(1), with_tools=False)
    version, required = ("807.4", "807.3") if kind == "Update" else ("807.3", "0.0")
    _manifest(folder, kind, version, required, MINIMAL_SHORTCUTS, (1, 1), uninstaller)


def payload_files(folder):
    """Every file of a payload, in a stable order."""
    found = []
    for root, _, files in os.walk(os.path.join(folder, "payload")):
        found += [os.path.join(root, name) for name in files]
    return sorted(found)


def make_many(folder, client, count, per_folder=50):
    """Full, `count` files of 4 KiB in folders of `per_folder`, as a release that has
    grown to thousands of small files (plus the client and the readmes it needs)."""
    rng = random.Random(count)
    payload = os.path.join(folder, "payload")
    os.makedirs(payload)
    _common_files(payload, client, rng, with_tools=False)
    for n in range(count):
        path = os.path.join(payload, "data", f"d{n // per_folder:03}", f"f{n:05}.dat")
        if n % per_folder == 0:
            os.makedirs(os.path.dirname(path))
        with open(path, "wb") as out:
            out.write(rng.randbytes(4096))
    _manifest(folder, "Full", "807.3", "0.0", MINIMAL_SHORTCUTS, (1, 1))
