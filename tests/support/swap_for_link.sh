#!/bin/sh
# A player's swap, from the host side, since Wine's programs can neither make a link nor
# rename one (Wine renames the folder it leads to): the folder <path> under this
# prefix's drive C: is moved aside to <path>.real and a symbolic link to <target> takes
# its place.   swap_for_link.sh <path below drive_c> <target>
set -eu
folder="$WINEPREFIX/drive_c/$1"
mv "$folder" "$folder.real"
ln -s "$2" "$folder"
