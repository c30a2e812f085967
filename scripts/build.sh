#!/usr/bin/env bash
# build.sh NAME [cmake options...]: configures (once) and builds build/NAME quietly; the full log
# is in build/NAME.log and is shown when something fails.
set -euo pipefail
name=$1; shift
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build/$name
log=$top/build/$name.log
mkdir -p "$top/build"
{
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$dir" "$@"
  fi
  cmake --build "$dir" -j"$(nproc)"
} >"$log" 2>&1 || { tail -n 60 "$log" >&2; echo "Build '$name' failed; full log: $log" >&2; exit 1; }
