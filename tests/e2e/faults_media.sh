#!/usr/bin/env bash
# The media of the fault tests, mounted and removed by ctest fixtures (as root):
#   faults_media.sh mount <dir> <demo payload folder> <Setup.exe>
#   faults_media.sh unmount <dir>
# <dir>/full is a 64 KiB tmpfs, far smaller than the demo installation; <dir>/readonly
# a read-only tmpfs holding the demo's folders under Tidemoor, a bystander file and a
# copy of Setup.exe (a program started from a read-only medium).
# Each gets a file "mounted", by which the tests know the mount is real. Without the
# right to mount, nothing is mounted and the tests that need the media skip.
set -u
action=$1 dir=$2
unmount() {
  for medium in full readonly; do
    mountpoint -q "$dir/$medium" && umount "$dir/$medium"
  done
  return 0
}
case $action in
  mount)
    payload=$3
    unmount
    mkdir -p "$dir/full" "$dir/readonly"
    if ! mount -t tmpfs -o size=64k,mode=0777 tdm-faults-full "$dir/full" 2>/dev/null; then
      echo "faults_media: cannot mount a tmpfs here; the media tests will skip" >&2
      exit 0
    fi
    touch "$dir/full/mounted"
    mount -t tmpfs -o size=4m,mode=0777 tdm-faults-readonly "$dir/readonly"
    (cd "$payload" && find . -mindepth 1 -type d) | while read -r sub; do
      mkdir -p "$dir/readonly/Tidemoor/$sub"
    done
    mkdir -p "$dir/readonly/Tidemoor/uninstall"  # mksetup adds it for the uninstaller's list
    cp "$4" "$dir/readonly/Setup.exe"
    printf 'bystander on a read-only medium\n' >"$dir/readonly/keep.txt"
    touch "$dir/readonly/mounted"
    mount -o remount,ro "$dir/readonly"
    ;;
  unmount)
    unmount
    ;;
  *)
    echo "usage: faults_media.sh mount <dir> <payload> <Setup.exe> | unmount <dir>" >&2
    exit 2
    ;;
esac
