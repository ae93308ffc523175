#!/usr/bin/env bash
# The real program (offscreen, private HOME) running 15 downloads at once under a cap, so they
# last: CPU of its main thread (the window and its once-a-second refresh) and of the whole
# process over MISURA_S seconds (default 10), and its resident size.
#   bench/cpu_finestra.sh [BUILD_DIR]   (default build/tests)
set -euo pipefail

radice=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$radice/build/tests}")
misura_s=${MISURA_S:-10}
app=$build/src/app/Tarvolin
server=$build/tests/fake_file_server
servizio=$build/tests/fake_service
command -v sqlite3 >/dev/null || { apt-get update && apt-get install -y sqlite3; }

lavoro=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$lavoro"' EXIT

attendi_riga() { # file, pattern
    for _ in $(seq 100); do
        grep -m1 -E "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "no '$2' in $1" >&2
    exit 1
}

specifiche=()
for i in $(seq 15); do specifiche+=(--generated "c$i.bin:$((64 << 20)):$i"); done
"$server" "${specifiche[@]}" 2>"$lavoro/file.log" &
pids+=($!)
base=$(attendi_riga "$lavoro/file.log" '^http')
"$servizio" --port 0 >/dev/null 2>"$lavoro/servizio.log" &
pids+=($!)
porta=$(attendi_riga "$lavoro/servizio.log" ':[0-9]+' | grep -oE '[0-9]+$')

home="$lavoro/home"
dati="$home/.local/share/Tarvolin"
mkdir -p "$dati" "$home/tmp" "$home/temp" "$home/done"
# The highest cap the window offers keeps the 15 downloads running for minutes.
printf '[generale]\ndownloadautomatico=1\nmaxdownload=15\nlimit=2048\nlimitecheck=1\n%s\n%s\n' \
    "tempdir=$home/temp/" "completedir=$home/done/" >"$dati/Tarvolin.ini"
db="$dati/database.opt"
sqlite3 "$db" "CREATE TABLE table_download (id INTEGER PRIMARY KEY, link TEXT, passlink TEXT,
    passwordarchivio TEXT, autoextract TEXT, gruppo TEXT, nomefile TEXT, dimensione INTEGER,
    completato TEXT);"
for i in $(seq 15); do
    sqlite3 "$db" "INSERT INTO table_download VALUES (NULL, '$base/c$i.bin', '', '', '0', '', '',
        '', '0')"
done

env -i PATH="$PATH" HOME="$home" TMPDIR="$home/tmp" QT_QPA_PLATFORM=offscreen \
    TARVOLIN_SERVICE="127.0.0.1:$porta" TARVOLIN_MAKER_SITE=http://127.0.0.1:9 \
    TARVOLIN_HOST_SITES=http://www.easybytez.localhost:9 TARVOLIN_DLC_SERVICE=http://127.0.0.1:9 \
    "$app" >"$lavoro/app.log" 2>&1 &
pid=$!
pids+=("$pid")

# Automatic mode starts one download a second once the splash and the service login are over.
for _ in $(seq 120); do
    (($(find "$home/temp" -name '*.trvltmp' | wc -l) >= 15)) && break
    sleep 1
done
echo "partial files: $(find "$home/temp" -name '*.trvltmp' | wc -l)"
sleep 2

tick=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "$1"; } # utime + stime, in ticks
t0=$(cpu "/proc/$pid/task/$pid/stat") p0=$(cpu "/proc/$pid/stat") b0=$(du -sb "$home/temp" | cut -f1)
sleep "$misura_s"
t1=$(cpu "/proc/$pid/task/$pid/stat") p1=$(cpu "/proc/$pid/stat") b1=$(du -sb "$home/temp" | cut -f1)
rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
awk -v t=$((t1 - t0)) -v p=$((p1 - p0)) -v k="$tick" -v s="$misura_s" -v b=$((b1 - b0)) -v r="$rss" \
    'BEGIN { printf "main thread %.1f%% of a core, whole process %.1f%%, received %.0f KB/s, rss %.1f MiB\n",
             100 * t / k / s, 100 * p / k / s, b / 1024 / s, r / 1024 }'
