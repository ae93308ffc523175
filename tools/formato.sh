#!/usr/bin/env bash
# Checks that the C++ sources are as clang-format lays them out, listing those that are not;
# with --applica, rewrites them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."

applica=0
case "${1:-}" in
  "") ;;
  --applica) applica=1 ;;
  *)
    echo "usage: $0 [--applica]" >&2
    exit 2
    ;;
esac

mapfile -t sorgenti < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
  'bench/*.cpp' 'bench/*.h')

if [ "$applica" -eq 1 ]; then
  clang-format -i -- "${sorgenti[@]}"
  exit 0
fi

mapfile -t diversi < <(printf '%s\0' "${sorgenti[@]}" | xargs -0 -n 16 -P "$(nproc)" sh -c '
  for f; do clang-format --dry-run --Werror -- "$f" >/dev/null 2>&1 || echo "$f"; done' _ | sort)

if [ "${#diversi[@]}" -gt 0 ]; then
  echo "Not formatted (tools/formato.sh --applica rewrites them):" >&2
  printf '  %s\n' "${diversi[@]}" >&2
  exit 1
fi
