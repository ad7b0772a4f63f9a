#!/usr/bin/env bash
# Makes the small 7z archives under fixtures/ that the archive plug-in's tests read. Needs the
# `7z` command (Debian package p7zip-full); the tests themselves only read the committed files.
# Run it from anywhere; it rewrites every fixture.
set -euo pipefail
here="$(cd "$(dirname "$(readlink -f "$0")")" && pwd)"
out="$here/fixtures"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
export LC_ALL=C.UTF-8 TZ=UTC

stamp() { touch -h -d "$1" "${@:2}"; }
pack() { # pack <archive> <7z switches...> -- <paths...>; run inside the source folder
  local archive="$1"; shift
  rm -f "$out/$archive"
  7z a -bd -y "$out/$archive" "$@" >/dev/null
}
flip() { # flip <file> <offset>: inverts one byte in place
  local byte
  byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
  printf "$(printf '\\%03o' $((255 - byte)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# matrix: a top-level file, a directory and a file inside it, with the two known times.
mkdir -p "$work/matrix/dir"
printf 'top level file\n' > "$work/matrix/top.txt"
printf 'inner file\n' > "$work/matrix/dir/inner.txt"
stamp '1970-01-01 00:00:00' "$work/matrix/top.txt"
stamp '2009-01-01 00:00:00' "$work/matrix/dir/inner.txt" "$work/matrix/dir"
(cd "$work/matrix" && pack matrix.7z -ms=off -- top.txt dir)

# entries: every kind of entry the listings and open must handle, one file per folder.
src="$work/entries"
mkdir -p "$src/dir/sub" "$src/emptydir"
printf 'top level file\n' > "$src/top.txt"
: > "$src/empty.txt"
printf 'inner file\n' > "$src/dir/inner.txt"
printf 'material deep_material\n{\n}\n' > "$src/dir/sub/deep.material"
printf 'capitalised readme\n' > "$src/Readme.txt"
printf 'READ ME IN CAPITALS\n' > "$src/README.txt"
printf 'non-ASCII name\n' > "$src/façade-ü.txt"
find "$src" -exec touch -h -d '2009-01-01 00:00:00' {} +
(cd "$src" && pack entries.7z -ms=off -- .)

# bytes: a file name that is not valid UTF-8 (Latin-1 "café"); 7z stores the stray byte as a
# private-use character.
mkdir -p "$work/bytes"
printf 'latin-1 name\n' > "$work/bytes/$(printf 'caf\351.txt')"
stamp '2009-01-01 00:00:00' "$work/bytes/$(printf 'caf\351.txt')"
(cd "$work/bytes" && pack bytes.7z -- .)

# solid: one folder holding many files whose bytes the tests can recompute.
src="$work/solid"
mkdir -p "$src/scripts" "$src/media"
for i in $(seq -w 1 40); do
  for j in $(seq 1 $((10#$i * 7))); do printf 'file %s line %d\n' "$i" "$j"; done > "$src/scripts/file$i.txt"
done
printf 'material solid_material\n{\n}\n' > "$src/media/solid.material"
: > "$src/media/empty.txt"
find "$src" -exec touch -h -d '2009-01-01 00:00:00' {} +
(cd "$src" && pack solid.7z -ms=on -mx=9 -- .)
(cd "$src" && pack nonsolid.7z -ms=off -- .)

# notime: an entry stored without a modification time.
mkdir -p "$work/notime"
printf 'no time stored\n' > "$work/notime/notime.txt"
(cd "$work/notime" && pack notime.7z -mtm=off -- notime.txt)

# stored and crc: stored without compression; crc has one data byte inverted, so the entry's
# CRC no longer matches while the header stays intact.
mkdir -p "$work/stored"
printf 'stored data that will be damaged\n' > "$work/stored/stored.txt"
printf 'second stored file\n' > "$work/stored/second.txt"
stamp '2009-01-01 00:00:00' "$work/stored/stored.txt" "$work/stored/second.txt"
(cd "$work/stored" && pack stored.7z -mx=0 -ms=off -- stored.txt second.txt)
cp "$out/stored.7z" "$out/crc.7z"
# Data starts after the 32-byte signature header; which file comes first is the archive's own
# choice, so damage the first byte of whichever comes first and let the test ask for both.
flip "$out/crc.7z" 33

# before-change and its two changed forms, for an archive rewritten in place after it was loaded:
# the same entry grown, and another entry of the same size in its place.
mkdir -p "$work/before" "$work/grown" "$work/renamed"
printf 'original content\n' > "$work/before/entry.txt"
printf 'the content grew longer\n' > "$work/grown/entry.txt"
printf 'replaced content\n' > "$work/renamed/other.txt"
stamp '2009-01-01 00:00:00' "$work/before/entry.txt" "$work/grown/entry.txt" "$work/renamed/other.txt"
(cd "$work/before" && pack before-change.7z -mx=0 -- entry.txt)
(cd "$work/grown" && pack changed-size.7z -mx=0 -- entry.txt)
(cd "$work/renamed" && pack changed-name.7z -mx=0 -- other.txt)

# large: one entry of 4 MiB that packs into a few hundred bytes.
mkdir -p "$work/large"
head -c 4194304 /dev/zero > "$work/large/zeros.bin"
stamp '2009-01-01 00:00:00' "$work/large/zeros.bin"
(cd "$work/large" && pack large.7z -- zeros.bin)

# encrypted content (readable header) and encrypted header.
mkdir -p "$work/secret"
printf 'secret content\n' > "$work/secret/secret.txt"
(cd "$work/secret" && pack encrypted.7z -pswordfish -mhe=off -- secret.txt)
(cd "$work/secret" && pack encrypted-header.7z -pswordfish -mhe=on -- secret.txt)

# Files that are not 7z archives at all.
(cd "$work/matrix" && rm -f "$out/not-7z.zip" && 7z a -bd -y -tzip "$out/not-7z.zip" top.txt >/dev/null)
(cd "$work/matrix" && rm -f "$out/not-7z.tar" && 7z a -bd -y -ttar "$out/not-7z.tar" top.txt >/dev/null)
printf 'This is plain text, not an archive.\n' > "$out/not-7z.txt"
: > "$out/empty.7z"

# A truncated archive and one whose entry table is damaged (its CRC no longer matches).
size=$(stat -c %s "$out/entries.7z")
head -c $((size / 2)) "$out/entries.7z" > "$out/truncated.7z"
cp "$out/entries.7z" "$out/damaged-header.7z"
flip "$out/damaged-header.7z" $((size - 8))

# A header of a few bytes that claims a hundred million entries (found by the fuzzer).
echo 'N3q8ryccAATsJGP1EQAAAAAAAABaAAAAAAAAAKkW/1kBAAxsYXRpbi0xIG5hbWUKAAEEBgABCREABwsBAAEhIQEADA0ACAoBL/phqQAABeOja8kBFQYBACCApIEAAA==' \
  | base64 -d > "$out/huge-count.7z"

ls -l "$out"
