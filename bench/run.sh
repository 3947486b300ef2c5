#!/usr/bin/env bash
# bench/run.sh [RUNS]: times `pelkorn FILE` against `cat` of exactly the text
# it writes, both read through the same pipe, runs interleaved, and prints the
# medians and their ratio. Also reports peak memory on a dump of a sparse
# 4 GiB data chunk. Builds the default preset first if needed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/default
runs=${1:-11}

if [ ! -x "$build/pelkorn" ] || [ ! -x "$build/wavgen" ]; then
  (cd "$root" && cmake --preset default >/dev/null && cmake --build --preset default >/dev/null)
fi
pelkorn=$build/pelkorn
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seconds since the epoch, to the microsecond.
now() { echo "${EPOCHREALTIME/[,.]/}"; }

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# compare NAME FILE: pelkorn FILE | cat against cat TEXT | cat, interleaved.
compare() {
  local name=$1 wav=$2 text=$2.txt a b t i
  "$pelkorn" "$wav" > "$text"
  : > "$work/a"; : > "$work/b"
  for ((i = 0; i <= runs; i++)); do
    t=$(now); "$pelkorn" "$wav" | cat > /dev/null; a=$(( $(now) - t ))
    t=$(now); cat "$text" | cat > /dev/null; b=$(( $(now) - t ))
    if ((i > 0)); then echo "$a" >> "$work/a"; echo "$b" >> "$work/b"; fi  # run 0 warms up
  done
  a=$(median < "$work/a"); b=$(median < "$work/b")
  awk -v n="$name" -v a="$a" -v b="$b" -v s="$(stat -c %s "$text")" 'BEGIN {
    printf "%-28s %10.1f ms %10.1f ms %7.2f   (%d bytes of text)\n", n, a / 1000, b / 1000, a / b, s }'
  rm -f "$text"
}

echo "making the input files in $work ..."
frames=$((44100 * 600))  # 10 minutes at 44.1 kHz, stereo
"$build/wavgen" "$work/s16.wav" 16 "$frames"
"$build/wavgen" "$work/s8.wav" 8 "$frames"
"$build/wavgen" "$work/tiny.wav" 16 300

echo "medians of $runs runs, each command piped into cat > /dev/null"
printf "%-28s %13s %13s %7s\n" "input" "pelkorn" "cat of text" "ratio"
compare "16-bit stereo, 10 min" "$work/s16.wav"
compare "8-bit stereo, 10 min" "$work/s8.wav"
compare "16-bit stereo, 300 frames" "$work/tiny.wav"

# A 4 GiB data chunk in a sparse file: 18 GB of text, written to /dev/null.
if [ -x /usr/bin/time ]; then
  # RIFF header, "fmt " for 16-bit stereo, then "data" of 0xFFFFFFFC bytes.
  printf 'RIFF\xff\xff\xff\xffWAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data\xfc\xff\xff\xff' \
    > "$work/huge.wav"
  truncate -s $((44 + 0xFFFFFFFC)) "$work/huge.wav"
  /usr/bin/time -f "peak memory, dump of a 4 GiB data chunk: %M KiB in %e s" \
    "$pelkorn" "$work/huge.wav" > /dev/null
fi
