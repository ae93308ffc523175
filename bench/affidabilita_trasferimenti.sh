#!/usr/bin/env bash
# Downloads TRASFERIMENTI (default 200) generated files of 1 KiB to 64 MiB (log-uniform sizes)
# with bench_motore from a fake_file_server that drops connections and restarts now and then,
# then compares every finished file with the sha256 of the same bytes fetched from a clean
# server. Prints how many finished and how many differ.
#   bench/affidabilita_trasferimenti.sh [BUILD_DIR]   (default build/tests; FAKE_FILE_SERVER, BENCH_MOTORE... override one program)
set -euo pipefail

radice=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$radice/build/tests}")
n=${TRASFERIMENTI:-200}
parallel=${PARALLELO:-6}
drop=${DROP_EVERY:-3000000}
restart=${RESTART_EVERY_MS:-9000}
server=${FAKE_FILE_SERVER:-$build/tests/fake_file_server}
motore=${BENCH_MOTORE:-$build/bench/bench_motore}
command -v curl >/dev/null || { apt-get update && apt-get install -y curl; }

lavoro=$(mktemp -d)
pid_server=""
ferma_server() {
    if [[ -n $pid_server ]]; then
        kill "$pid_server" 2>/dev/null || true
        wait "$pid_server" 2>/dev/null || true
        pid_server=""
    fi
}
trap 'ferma_server; rm -rf "$lavoro"' EXIT

# Starts the server with the extra flags given; sets pid_server and base.
avvia_server() {
    "$server" "${specifiche[@]}" "$@" 2>"$lavoro/server.log" &
    pid_server=$!
    for _ in $(seq 100); do
        base=$(head -n1 "$lavoro/server.log" 2>/dev/null || true)
        [[ $base == http* ]] && return 0
        sleep 0.1
    done
    echo "fake_file_server did not start" >&2
    exit 1
}

# Sizes from a fixed seed, so a run can be repeated.
mapfile -t dimensioni < <(awk -v n="$n" 'BEGIN { srand(42); for (i = 1; i <= n; i++)
    printf "%d\n", int(1024 * exp(rand() * log(65536))) }')
specifiche=()
for i in $(seq "$n"); do
    specifiche+=(--generated "f$i.bin:${dimensioni[i - 1]}:$i")
done
totale=$(printf '%s\n' "${dimensioni[@]}" | awk '{ s += $1 } END { printf "%.1f", s / 1048576 }')
echo "$n files, $totale MiB in all, $parallel at once, drop every ~$drop bytes," \
    "restart every $restart ms"

avvia_server
for i in $(seq "$n"); do
    echo "f$i.bin $(curl -sf --max-time 120 "$base/f$i.bin" | sha256sum | cut -d' ' -f1)"
done >"$lavoro/attesi"
ferma_server

avvia_server --drop-every "$drop" --restart-every-ms "$restart"
for i in $(seq "$n"); do echo "$base/f$i.bin"; done >"$lavoro/url"
inizio=$(date +%s)
timeout 3600 "$motore" --parallel "$parallel" --rounds 5 --temp "$lavoro/temp" \
    --done "$lavoro/done" <"$lavoro/url" >"$lavoro/motore.log" || true
ferma_server
grep -E '^(round|files|wall_s)' "$lavoro/motore.log"

finiti=0 diversi=0 mancanti=0
while read -r nome atteso; do
    file="$lavoro/done/$nome"
    if [[ ! -f $file ]]; then
        mancanti=$((mancanti + 1))
        continue
    fi
    finiti=$((finiti + 1))
    if [[ $(sha256sum "$file" | cut -d' ' -f1) != "$atteso" ]]; then
        diversi=$((diversi + 1))
        echo "differs: $nome" >&2
    fi
done <"$lavoro/attesi"
echo "transfers $n finished $finiti missing $mancanti corrupt $diversi" \
    "elapsed_s $(($(date +%s) - inizio))"
[[ $diversi -eq 0 && $mancanti -eq 0 ]]
