#!/usr/bin/env bash
# The engine's extraction (bench_estrai) of a 1 GiB stored ZIP of random data beside bsdtar -xf
# on the same archive to the same disk: medians of RIPETIZIONI (default 3) runs, wall time with
# and without the sync of the written bytes, and the longest gap of a 10 ms main-thread timer
# while the worker thread extracts. RAR is not measured: a 1 GiB RAR set needs the rar tool.
#   bench/bench_estrazione.sh [BUILD_DIR]   (default build/tests; CARTELLA: work folder's parent)
set -euo pipefail

radice=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$radice/build/tests}")
ripetizioni=${RIPETIZIONI:-3}
estrai=${BENCH_ESTRAI:-$build/bench/bench_estrai}

mancanti=()
command -v bsdtar >/dev/null || mancanti+=(libarchive-tools)
[[ -x /usr/bin/time ]] || mancanti+=(time)
if ((${#mancanti[@]})); then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${mancanti[@]}"
fi

# Not /tmp, which may live in memory.
lavoro=$(mktemp -d "${CARTELLA:-/var/tmp}/bench_estrazione.XXXXXX")
trap 'rm -rf "$lavoro"' EXIT
echo "creating the archive in $lavoro..."
mkdir "$lavoro/sorgente"
head -c 1G /dev/urandom >"$lavoro/sorgente/grande.bin"
(cd "$lavoro/sorgente" && bsdtar --format zip --options zip:compression=store \
    -cf "$lavoro/Grande.zip" grande.bin)
rm -rf "$lavoro/sorgente"
archivio="$lavoro/Grande.zip" dest="$lavoro/Grande"
byte=$(stat -c %s "$archivio")

# One run: "wall_s wall_with_sync_s max_gap_ms" (no gap for bsdtar).
misura() {
    rm -rf "$dest"
    sync
    /usr/bin/time -f '%e' -o "$lavoro/tempo" "$@" >"$lavoro/uscita" 2>&1 || {
        echo "failed: $*" >&2
        tail -5 "$lavoro/uscita" >&2
    }
    [[ $(stat -c %s "$dest/grande.bin" 2>/dev/null) == $((1 << 30)) ]] ||
        echo "incomplete extraction: $*" >&2
    local inizio fine gap
    inizio=$(date +%s.%N)
    sync
    fine=$(date +%s.%N)
    gap=$(sed -n 's/.*max_gap_ms=\([0-9]*\).*/\1/p' "$lavoro/uscita")
    awk -v w="$(tail -n1 "$lavoro/tempo")" -v i="$inizio" -v f="$fine" -v g="${gap:--}" \
        'BEGIN { printf "%.2f %.2f %s\n", w, w + f - i, g }'
}

# Medians of the first two columns, the largest of the third.
serie() {
    for _ in $(seq "$ripetizioni"); do misura "$@"; done >"$lavoro/serie"
    mediana() { cut -d' ' -f"$1" "$lavoro/serie" | sort -n | awk '{ v[NR] = $1 }
        END { print v[int((NR + 1) / 2)] }'; }
    local gap
    gap=$(cut -d' ' -f3 "$lavoro/serie" | grep -v -- - | sort -n | tail -n1 || true)
    echo "$(mediana 1) $(mediana 2) ${gap:--}"
}

riga() { printf '%-24s %8s %8s %10s %12s %12s\n' "$@"; }
riga "case" "wall_s" "+sync_s" "MB/s" "MB/s +sync" "max_gap_ms"
caso() { # name, command...
    local nome=$1
    shift
    read -r w s g <<<"$(serie "$@")"
    riga "$nome" "$w" "$s" "$(awk -v b="$byte" -v w="$w" 'BEGIN { printf "%.0f", b / 1e6 / w }')" \
        "$(awk -v b="$byte" -v w="$s" 'BEGIN { printf "%.0f", b / 1e6 / w }')" "$g"
}
caso "1 GiB ZIP bench_estrai" "$estrai" "$archivio"
caso "1 GiB ZIP bsdtar -xf" bash -c 'mkdir -p "$2" && bsdtar -xf "$1" -C "$2"' _ "$archivio" "$dest"
