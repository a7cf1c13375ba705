#!/usr/bin/env bash
# The feeds the updater's journeys read, made after the test server started (ctest
# fixture updater_feeds), since the updater carries the feed's address with its port:
#   updater_feeds.sh <work folder> <served folder> <port file> <mksetup> <SetupStub.exe>
#                    <updater.exe> <uninstall.exe> <demo sources> <payload 807.3>
#                    <payload 807.4> <TDMClient.exe 807.5> <updater_apply_killed.exe>
#                    <updater_short_rate.exe>
# Three full releases of the demo: 807.3 (its Setup.exe is what the journeys start
# from), 807.4, and 807.5 (a new, larger client, a changed map, a new folder, a 2 MiB
# pack, a map gone). Each feed is a folder under <served folder>/variants, which nginx
# serves at /feed/ once odd_server.py points <served folder>/selected at it:
#   one        807.3 only: an installation of 807.3 is up to date
#   three      807.3, 807.4, 807.5
#   corrupt    three, with the content of 807.5's harbour.map changed on the server and
#              its patches and compressed form gone, so the plain file is all there is
#   badpatch   three, with a byte of the patch from 807.3's readme.txt to 807.5's changed
#   tampered   three, with a byte of the index changed
#   replayed   three, with the index of serial 2 (807.3 and 807.4) served again
#   slow       three, served at 256 KiB/s (see test_server.sh)
#   slower     three, served at 96 KiB/s: a patch of 192 KiB takes two seconds
#   killapply  three, each release with updater_apply_killed.exe as its updater (the
#              journey puts it in place of the installed one, killed/release-0.807.3)
#   selfupdate three, 807.5's updater the same program carrying the index's address
#              instead of the folder's: other bytes, a newer updater
#   rotated    one, its key rotated to a successor (serial 2)
#   oldkey     one, refreshed with the rotated-away key up to serial 4: a leaked key
#   otherproduct  807.3 of the product "Elsewhere", signed with the same key
#   mirrors404 three, its first mirror odd_server.py's, which has none of the files
#   stall      three, each release with updater_short_rate.exe as its updater (the
#              journey puts it in place, shortrate/release-0.807.3), its first mirror
#              odd_server.py's /drip/, far below the minimum rate
set -eu
work=$1 www=$2 port=$(cat "$3") mksetup=$4 stub=$5 updater=$6 uninstall=$7 demo=$8
payload3=$9 payload4=${10} client5=${11} killed=${12} shortrate=${13}
url="http://127.0.0.1:$port/feed/"
odd="http://127.0.0.1:$(cat "$(dirname "$3")/odd.port")"

rm -rf "$work" "$www/variants" "$www/selected"
mkdir -p "$work" "$www/variants"
"$mksetup" keygen "$work/publisher" >/dev/null

# The payloads: cp -a keeps the files' times, which the index records.
cp -a "$payload3" "$work/payload-807.3"
cp -a "$payload4" "$work/payload-807.4"
p5=$work/payload-807.5
cp -a "$payload4" "$p5"
cp "$client5" "$p5/TDMClient.exe"
# A new part after the image, where Windows does not look: the client's patch is large
# enough for a journey to cut it off mid-way.
head -c 196608 /dev/urandom >>"$p5/TDMClient.exe"
printf '\nharbour, third edition: the pier is longer\n' >>"$p5/data/maps/harbour.map"
mkdir -p "$p5/data/maps/isles"
printf 'isles map: three rocks and a lighthouse\n' >"$p5/data/maps/isles/isle.map"
head -c 2097152 /dev/urandom >"$p5/data/big.pak"
rm "$p5/data/maps/coast/dunes.map"

manifest() {  # <folder> <build> <updater program> <feed address>
  mkdir -p "$1"
  [ "$1" = "$work" ] || cp "$work/publisher.pub" "$1/"
  cat >"$1/release-$2.ini" <<INI
[Setup]
Kind = Full
Title = Tidemoor 0.807.$2
InstallFolder = \\Tidemoor
StartMenuGroup = Tidemoor
PackageVersion = 807.$2
[Terms]
German = $demo/terms/terms_de.txt
English = $demo/terms/terms_en.txt
[Readme]
GermanFile = liesmich.txt
GermanLink = Wichtige Informationen.lnk
EnglishFile = readme.txt
EnglishLink = Important information.lnk
[Program]
File = updater.exe
DesktopLink = Tidemoor.lnk
[Uninstall]
Program = $uninstall
[Updater]
Program = $3
Feed = $4
PublicKey = publisher.pub
[Shortcuts]
Shortcut = uninstall.exe, 25
Shortcut = updater.exe, 23
Shortcut = TDMOptions.exe, 24
INI
}
publish() {  # <feed> <build> [<manifest folder> [more options]]
  "$mksetup" publish "${3:-$work}/release-$2.ini" --payload "$work/payload-807.$2" --feed "$1" \
    --key "$work/publisher.key" --mirror "$url" "${@:4}" >/dev/null
}
for build in 3 4 5; do
  manifest "$work" $build "$updater" "$url"
  manifest "$work/killed" $build "$killed" "$url"
  manifest "$work/shortrate" $build "$shortrate" "$url"
done
manifest "$work/self" 5 "$updater" "${url}index.tdmfeed"
"$mksetup" setup "$work/release-3.ini" --payload "$work/payload-807.3" --stub "$stub" \
  -o "$work/Setup-0.807.3.exe" >/dev/null

v=$www/variants
publish "$v/one" 3
publish "$v/three" 3
publish "$v/three" 4
cp "$v/three/index.tdmfeed" "$work/index-serial-2.tdmfeed"
publish "$v/three" 5
for variant in corrupt tampered replayed slow slower badpatch; do cp -a "$v/three" "$v/$variant"; done
# Notes in both languages for 0.807.5, published over 0.807.3.
printf 'Tidemoor 0.807.5\r\n- the harbour map redrawn\r\n' >"$work/notes_en.txt"
printf 'Tidemoor 0.807.5\r\n- die Hafenkarte neu gezeichnet\r\n' >"$work/notes_de.txt"
publish "$v/notes" 3
printf 'harbour.tidemoor.example:7777\r\n' >"$work/servers.txt"
publish "$v/notes" 5 "$work" --patchnotes-english "$work/notes_en.txt" \
  --patchnotes-german "$work/notes_de.txt" --servers "$work/servers.txt"
flip() {  # <file> <offset>: one byte changed, the size kept
  local byte
  byte=$(dd if="$1" bs=1 skip="$2" count=1 status=none | od -An -tu1 | tr -d ' ')
  printf "\\$(printf '%03o' $(((byte + 1) % 256)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
hash=$(sha256sum "$p5/data/maps/harbour.map" | cut -c1-64)
flip "$v/corrupt/files/${hash:0:2}/$hash" 10
rm "$v/corrupt/files/${hash:0:2}/$hash.zst" "$v/corrupt/patches"/*/*-"$hash.zst"
from=$(sha256sum "$work/payload-807.3/readme.txt" | cut -c1-64)
to=$(sha256sum "$p5/readme.txt" | cut -c1-64)
flip "$v/badpatch/patches/${from:0:2}/$from-$to.zst" 20
flip "$v/tampered/index.tdmfeed" $(($(stat -c %s "$v/tampered/index.tdmfeed") / 2))
cp "$work/index-serial-2.tdmfeed" "$v/replayed/index.tdmfeed"
for build in 3 4 5; do publish "$v/killapply" $build "$work/killed"; done
publish "$v/selfupdate" 3
publish "$v/selfupdate" 4
publish "$v/selfupdate" 5 "$work/self"
# The key rotated, and the old key signing on after it.
"$mksetup" keygen "$work/successor" >/dev/null
cp -a "$v/one" "$v/rotated"
cp -a "$v/one" "$v/oldkey"
"$mksetup" feed rotate "$v/rotated" --key "$work/publisher.key" --new-key "$work/successor.key" \
  >/dev/null
for serial in 2 3 4; do "$mksetup" feed refresh "$v/oldkey" --key "$work/publisher.key" >/dev/null; done
mkdir -p "$work/other"
cp "$work/publisher.pub" "$work/other/"
sed 's/^InstallFolder = .*/InstallFolder = \\Elsewhere/' "$work/release-3.ini" >"$work/other/release-3.ini"
publish "$v/otherproduct" 3 "$work/other"
cp -a "$v/three" "$v/mirrors404"
for build in 3 4 5; do publish "$v/stall" $build "$work/shortrate"; done
mirrors() {  # <feed> <mirror>...: the list replaced, the index signed again
  local feed=$1 options=()
  shift
  for mirror in "$@"; do options+=(--mirror "$mirror"); done
  "$mksetup" feed refresh "$feed" --key "$work/publisher.key" "${options[@]}" >/dev/null
}
mirrors "$v/mirrors404" "$odd/missing/" "$url"
mirrors "$v/stall" "$odd/drip/selected/" "$url"
ln -sfn variants/three "$www/selected"
"$mksetup" feed verify "$v/three" --pubkey "$work/publisher.pub" >/dev/null
echo "feeds for $url made in $www/variants"
