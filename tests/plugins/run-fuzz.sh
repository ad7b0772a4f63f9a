#!/usr/bin/env bash
# Builds the archive plug-in's fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) into <build-folder>/fuzz and runs it for 20 seconds (or
# TOLVA_FUZZ_SECONDS), starting from the test fixtures. Exits non-zero when the fuzzer finds a crash, a leak or undefined behaviour.
#   tests/plugins/run-fuzz.sh <build-folder>
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 <build-folder>" >&2
  exit 2
fi
here="$(cd "$(dirname "$(readlink -f "$0")")" && pwd)"
root="$(cd "$here/../.." && pwd)"
mkdir -p "$1"
out="$(cd "$1" && pwd)/fuzz"
mkdir -p "$out/objects" "$out/corpus"

sources=(
  "$root/plugins/archive_lzma/Archive.cpp"
  "$root/plugins/archive_lzma/ArchiveReader.cpp"
  "$root/plugins/archive_lzma/EntryCache.cpp"
  "$here/ArchiveFuzz.cpp"
)
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$root" $(pkg-config --cflags OGRE libarchive))

# Compile the sources side by side; rebuild only what changed.
objects=()
pids=()
for source in "${sources[@]}"; do
  object="$out/objects/$(basename "${source%.cpp}").o"
  objects+=("$object")
  if [ ! -f "$object" ] || [ "$source" -nt "$object" ] \
     || [ -n "$(find "$root/plugins/archive_lzma" -name '*.h' -newer "$object")" ]; then
    clang++ "${flags[@]}" -c "$source" -o "$object" &
    pids+=($!)
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid"
done
clang++ "${flags[@]}" "${objects[@]}" $(pkg-config --libs OGRE libarchive) -o "$out/archive_fuzz"

# A fresh corpus from the fixtures every run, so runs are comparable.
rm -rf "$out/corpus"
mkdir -p "$out/corpus"
cp "$here"/fixtures/* "$out/corpus/"

cd "$out"
# libarchive reserves a table for as many entries as a header claims (up to a hundred million,
# gigabytes) before it finds the header short, then walks and frees every entry: a few hundred
# crafted bytes take 13 s to be refused. Outside AddressSanitizer the reservation is never touched;
# under it, freeing it writes shadow memory for all of it and the resident size soars past any
# limit. So allocations over 1 GB are refused (a null pointer, as a machine with strict overcommit
# gives), which libarchive reports as a damaged archive at once; what remains a finding is a
# crash, a leak, undefined behaviour, resident memory over 2 GB or a unit running over 60 s.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}:allocator_may_return_null=1:max_allocation_size_mb=1024"
echo "Fuzzing the archive plug-in for ${TOLVA_FUZZ_SECONDS:-20} seconds"
./archive_fuzz -max_total_time="${TOLVA_FUZZ_SECONDS:-20}" -timeout=60 -rss_limit_mb=2048 \
  -print_final_stats=1 \
  -artifact_prefix="$out/" "$out/corpus" 2> "$out/fuzz.log" || {
  status=$?
  tail -n 60 "$out/fuzz.log" >&2
  echo "The archive fuzz target failed (status $status); the input is in $out/" >&2
  exit "$status"
}
grep -E '^stat::number_of_executed_units|^Done' "$out/fuzz.log" || true
