#!/usr/bin/env bash
# The Wine prefix every updater journey starts from, made once per run (ctest fixture
# updater_snapshot): a copy of the test template with 0.807.3 installed silently for
# the current user. Each journey runs in a copy of it (TDM_WINE_TEMPLATE).
#   installed_snapshot.sh <snapshot folder> <Setup.exe>
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tools=$here/../../tools
snapshot=$1 setup=$2
template=$("$tools/wine-prefix")
rm -rf "$snapshot"
mkdir -p "$snapshot"
cp -a "$template/." "$snapshot/"
rm -f "$snapshot/.tdm-ready"
export WINEPREFIX=$snapshot WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
set +e
"$tools/with-display" wine "$setup" /S /LANG=en
code=$?
set -e
wineserver -w
if [ $code -ne 0 ]; then
  echo "installed_snapshot: Setup.exe /S ended with $code" >&2
  exit 1
fi
touch "$snapshot/.tdm-ready"
echo "0.807.3 installed in $snapshot"
