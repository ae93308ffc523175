#!/usr/bin/env bash
# The real program (bench_programma: offscreen, started from the start button) and the engine
# alone (bench_motore) against nginx on 127.0.0.1, beside curl and aria2c on the same disk: one
# 1 GiB file, fifteen 64 MiB files at once, the machine's own limits (curl to /dev/null, dd to
# the disk) and the cap (640 KB/s with 1 and 3 workers, 2048 KB/s with 1). Medians of
# RIPETIZIONI (default 5) runs, contenders alternating, each after PAUSA_S (default 5) seconds.
#   bench/bench_download.sh [BUILD_DIR]   (default build/tests; BENCH_MOTORE, BENCH_PROGRAMMA override one program)
set -euo pipefail

radice=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$radice/build/tests}")
ripetizioni=${RIPETIZIONI:-5}
pausa=${PAUSA_S:-5}
motore=${BENCH_MOTORE:-$build/bench/bench_motore}
app=${BENCH_PROGRAMMA:-$build/bench/bench_programma}
servizio=$build/tests/fake_service
porta=${PORTA:-18480}

mancanti=()
command -v nginx >/dev/null || mancanti+=(nginx)
command -v curl >/dev/null || mancanti+=(curl)
command -v aria2c >/dev/null || mancanti+=(aria2)
[[ -x /usr/bin/time ]] || mancanti+=(time)
if ((${#mancanti[@]})); then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${mancanti[@]}"
fi
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)

lavoro=$(mktemp -d)
chmod 755 "$lavoro"
pid_nginx="" pid_servizio=""
trap 'kill $pid_nginx $pid_servizio 2>/dev/null; wait 2>/dev/null; rm -rf "$lavoro"' EXIT

www="$lavoro/www" dest="$lavoro/dest"
mkdir -p "$www" "$dest" "$lavoro/nginx/logs"
echo "creating the files..."
head -c 1G /dev/urandom >"$www/grande.bin"
for i in $(seq 15); do head -c 64M /dev/urandom >"$www/m$i.bin"; done
head -c $((640 * 1024 * 10)) /dev/urandom >"$www/cap1.bin"
for i in 1 2 3; do head -c $((640 * 1024 * 10 / 3)) /dev/urandom >"$www/cap3_$i.bin"; done
head -c $((2048 * 1024 * 10)) /dev/urandom >"$www/cap2048.bin"
chmod -R a+rX "$www"

cat >"$lavoro/nginx/nginx.conf" <<EOF
daemon off;
worker_processes 1;
pid $lavoro/nginx/nginx.pid;
error_log $lavoro/nginx/logs/error.log warn;
events { worker_connections 256; }
http {
    access_log off;
    sendfile on;
    tcp_nopush on;
    default_type application/octet-stream;
    client_body_temp_path $lavoro/nginx/body;
    proxy_temp_path $lavoro/nginx/proxy;
    fastcgi_temp_path $lavoro/nginx/fastcgi;
    uwsgi_temp_path $lavoro/nginx/uwsgi;
    scgi_temp_path $lavoro/nginx/scgi;
    server { listen 127.0.0.1:$porta; root $www; }
}
EOF
"$nginx_bin" -p "$lavoro/nginx" -c "$lavoro/nginx/nginx.conf" -e "$lavoro/nginx/logs/error.log" &
pid_nginx=$!
url="http://127.0.0.1:$porta"
for _ in $(seq 50); do curl -sfI "$url/cap1.bin" >/dev/null && break; sleep 0.1; done

pulisci() { rm -rf "${dest:?}"/* "$lavoro/temp" "$lavoro/home"; }

# The real program (offscreen, its own HOME, the service a local fake) on the URLs given;
# prints bench_programma's line.
"$servizio" --port 0 >/dev/null 2>"$lavoro/servizio.log" &
pid_servizio=$!
for _ in $(seq 50); do grep -qE ':[0-9]+$' "$lavoro/servizio.log" && break; sleep 0.1; done
porta_servizio=$(grep -oE '[0-9]+$' "$lavoro/servizio.log")
programma() {
    local dati="$lavoro/home/.local/share/Tarvolin"
    mkdir -p "$dati" "$lavoro/home/tmp"
    printf '[generale]\ntempdir=%s/\ncompletedir=%s/\n' "$lavoro/temp" "$dest" >"$dati/Tarvolin.ini"
    env -i PATH="$PATH" HOME="$lavoro/home" TMPDIR="$lavoro/home/tmp" QT_QPA_PLATFORM=offscreen \
        TARVOLIN_SERVICE="127.0.0.1:$porta_servizio" TARVOLIN_MAKER_SITE=http://127.0.0.1:9 \
        TARVOLIN_HOST_SITES=http://www.easybytez.localhost:9 TARVOLIN_DLC_SERVICE=http://127.0.0.1:9 \
        timeout 300 "$app" "$@" 2>/dev/null | grep '^files'
}

# One run of one contender on clean folders after the same settling time, whatever ran before
# (on a virtual machine the memory just freed by the last run makes the next one faster):
# prints "seconds_to_last_byte cpu_s peak_kib [max_tick_gap_ms]".
uno() { # contender, URLs...
    local chi=$1
    shift
    pulisci
    sync
    sleep "$pausa"
    case $chi in
    programma)
        programma "$@" | awk '{ print $4, $10 + $12, $14, $8 }' ;;
    motore)
        "$motore" "${dove[@]}" --parallel $# "$@" | grep '^wall_s' | awk '{ print $4, $6 + $8, $14 }' ;;
    curl | aria2c)
        printf '%s\n' "$@" >"$lavoro/aria2c.lista"
        local comando=(curl -sf -o "$dest/uno.bin" "$1")
        [[ $chi == aria2c ]] && comando=(aria2c -q -x1 -j15 --allow-overwrite=true -d "$dest"
            -i "$lavoro/aria2c.lista")
        /usr/bin/time -f '%e %U %S %M' -o "$lavoro/tempo" "${comando[@]}" >/dev/null 2>&1 ||
            echo "failed: ${comando[*]}" >&2
        awk '{ print $1, $2 + $3, $4 }' "$lavoro/tempo" ;;
    esac
}

# Each contender RIPETIZIONI times, their order rotated every round; medians per contender.
gara() { # title, bytes, URL list file, contenders...
    local titolo=$1 byte=$2 lista=$3
    shift 3
    local chi=("$@") n=$#
    rm -f "$lavoro"/gara.*
    for r in $(seq 0 $((ripetizioni - 1))); do
        for i in $(seq 0 $((n - 1))); do
            local c=${chi[$(((i + r) % n))]}
            uno "$c" $(cat "$lista") >>"$lavoro/gara.$c"
        done
    done
    echo "$titolo, medians of $ripetizioni:"
    # The best run too: on a virtual machine a run is either fast or several times slower,
    # by the state the earlier runs left the host's memory in, whichever program runs.
    riga contender to_last_byte_s best_s cpu_s peak_kib MB/s tick_gap_ms
    for c in "${chi[@]}"; do
        local m=()
        for k in 1 2 3 4; do
            m+=("$(cut -d' ' -f"$k" "$lavoro/gara.$c" | sort -n |
                awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : "-" }')")
        done
        riga "$c" "${m[0]}" "$(cut -d' ' -f1 "$lavoro/gara.$c" | sort -n | head -1)" "${m[1]}" \
            "${m[2]}" "$(awk -v b="$byte" -v s="${m[0]}" 'BEGIN { printf "%.0f", b / 1e6 / s }')" \
            "${m[3]}"
    done
}

riga() { printf '  %-12s %14s %7s %8s %10s %8s %s\n' "$@"; }
dove=(--temp "$lavoro/temp/" --done "$dest/")

echo "$url/grande.bin" >"$lavoro/uno"
gara "1 GiB" $((1 << 30)) "$lavoro/uno" programma motore curl aria2c
for i in $(seq 15); do echo "$url/m$i.bin"; done >"$lavoro/lista"
gara "15 x 64 MiB at once" $((15 * 64 << 20)) "$lavoro/lista" programma motore aria2c

# The machine's own limits: the network without the disk, the disk without the network.
misura() { # one timed run of a command: prints its wall seconds
    pulisci
    sync
    sleep "$pausa"
    /usr/bin/time -f '%e' -o "$lavoro/tempo" "$@" >/dev/null 2>&1
    cat "$lavoro/tempo"
}
for limite in "curl to /dev/null|curl -sf -o /dev/null $url/grande.bin" \
    "dd to the disk|dd if=/dev/zero of=$dest/dd.bin bs=1M count=1024 status=none" \
    "dd to the disk, fdatasync|dd if=/dev/zero of=$dest/dd.bin bs=1M count=1024 conv=fdatasync status=none"; do
    read -ra comando <<<"${limite#*|}"
    for _ in $(seq "$ripetizioni"); do misura "${comando[@]}"; done | sort -n |
        awk -v t="${limite%%|*}" '{ v[NR] = $1 } END { printf "1 GiB %s: %s s (median)\n", t, v[int((NR + 1) / 2)] }'
done

# The cap: bytes over the time to the last byte, against the cap times its correction factor.
for caso in "640 1.00 cap1.bin" "640 1.00 cap3_1.bin cap3_2.bin cap3_3.bin" "2048 1.04 cap2048.bin"; do
    read -r cap fattore nomi <<<"$caso"
    file=()
    for f in $nomi; do file+=("$url/$f"); done
    for _ in $(seq "$ripetizioni"); do
        pulisci
        "$motore" "${dove[@]}" --parallel ${#file[@]} --cap "$cap" "${file[@]}" | grep '^wall_s' |
            awk '{ print $10 / 1024 / $4 }'
    done | sort -n | awk -v n="$ripetizioni" -v l=${#file[@]} -v c="$cap" -v f="$fattore" '
        { v[NR] = $1 } END { m = v[int((n + 1) / 2)]
            printf "cap %d KB/s, %d worker(s): %.1f KB/s (target %d x %.2f = %.0f, %+.1f%%)\n",
                   c, l, m, c, f, c * f, 100 * (m / (c * f) - 1) }'
done
