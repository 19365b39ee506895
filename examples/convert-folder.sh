#!/bin/sh
# examples/convert-folder.sh: converts every file of one format in a folder in one zolkdf run.
# zolkdf takes file names of at most 12 characters, so each input gets a short name (a link in
# a scratch folder), the list file names only those, and each result is moved back next to its
# input under the input's own name with the new extension.
#
#   sh convert-folder.sh FOLDER FROM-EXT FROM-CODE TO-EXT TO-CODE
#   sh convert-folder.sh spectra spc 5 xy 2      turns spectra/*.spc into spectra/*.xy
#
# zolkdf must be on the PATH. An SPC output keeps its input's file name as its memo.
set -eu
if [ $# -ne 5 ]; then
  echo "usage: sh convert-folder.sh FOLDER FROM-EXT FROM-CODE TO-EXT TO-CODE" >&2
  exit 2
fi
folder=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=0
for f in "$folder"/*."$2"; do
  [ -f "$f" ] || continue
  n=$((n + 1))
  ln -s "$f" "$work/i$n"
  printf '%s\n' "$f" >>"$work/names"
  printf 'i%d %s o%d %s\n' "$n" "$3" "$n" "$5" >>"$work/entries"
  case $5 in 5 | 6) basename "$f" >>"$work/entries" ;; esac
done
if [ "$n" -eq 0 ]; then
  echo "no *.$2 file in $folder" >&2
  exit 1
fi
{ echo "$n"; cat "$work/entries"; } >"$work/list"
if ! (cd "$work" && printf 'F\nlist\n' | zolkdf >log 2>&1); then
  cat "$work/log" >&2
  exit 1
fi
# An entry that zolkdf refused leaves no output; every other input gets its result.
status=0
n=0
while IFS= read -r f; do
  n=$((n + 1))
  if [ -f "$work/o$n" ]; then
    mv "$work/o$n" "${f%.*}.$4"
    echo "$(basename "$f") -> $(basename "${f%.*}.$4")"
  else
    echo "$(basename "$f"): not converted" >&2
    status=1
  fi
done <"$work/names"
exit "$status"
