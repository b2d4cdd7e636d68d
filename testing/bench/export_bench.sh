#!/bin/bash
# Runs the export benchmark by hand: writes a disc layout (the "bench" disc
# unless told otherwise), maps it as a CD-ROM drive of a Wine prefix of its
# own under Xvfb and runs export_bench.exe on it, the exports also compared
# with the sources the disc was made from; nothing stays running.
# usage: testing/bench/export_bench.sh [--layout NAME] [export_bench arguments...]
#   e.g. export_bench.sh --rounds 3
#        export_bench.sh --layout demo --password <the demo's> --loader-args /A:<edition switch>
# Needs build/win64 (or KB_BENCH_BUILD) configured with -DKB_BENCH=ON and the
# target export_bench built.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
build=${KB_BENCH_BUILD:-$ROOT/build/win64}
layout=bench
if [ "${1:-}" = --layout ]; then
  layout=$2
  shift 2
fi
for f in "$build/wine-run.sh" "$build/bin/disc_builder.exe" "$build/bin/export_bench.exe"; do
  [ -e "$f" ] || { echo "missing $f: configure with -DKB_BENCH=ON and build export_bench" >&2; exit 1; }
done
loader=$(kb_wine_loader win64) || { echo "no wine64 here" >&2; exit 1; }
prefix=$build/bench/wineprefix
mkdir -p "$build/bench"
trap kb_wine_stop EXIT
kb_wine_start "$prefix" win64
WINEPREFIX=$prefix KB_WINE_LOADER=$loader KB_DISC_LAYOUT=$layout \
  bash "$ROOT/testing/wine/with_cdrom.sh" "$build/wine-run.sh" "$prefix" q "$build/bench/cdrom-disc" \
  "$build/bin/disc_builder.exe" "$build/bin/export_bench.exe" \
  --sources "$(printf 'Z:%s' "$build/bench/cdrom-disc.work" | tr / '\\')" "$@"
