#!/usr/bin/env bash
# bench_motore against nginx on 127.0.0.1 beside curl and aria2c on the same disk: one 1 GiB
# file, fifteen 64 MiB files at once, the 640 KB/s cap with 1 and 3 workers, and the machine's
# own limits (curl to /dev/null, dd to the disk). Medians of RIPETIZIONI (default 3) runs.
#   bench/bench_download.sh [BUILD_DIR]   (default build/tests; FAKE_FILE_SERVER, BENCH_MOTORE... override one program)
set -euo pipefail

radice=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$radice/build/tests}")
ripetizioni=${RIPETIZIONI:-3}
motore=${BENCH_MOTORE:-$build/bench/bench_motore}
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
pid_nginx=""
trap '[[ -n $pid_nginx ]] && kill "$pid_nginx" 2>/dev/null; wait 2>/dev/null; rm -rf "$lavoro"' EXIT

www="$lavoro/www" dest="$lavoro/dest"
mkdir -p "$www" "$dest" "$lavoro/nginx/logs"
echo "creating the files..."
head -c 1G /dev/urandom >"$www/grande.bin"
for i in $(seq 15); do head -c 64M /dev/urandom >"$www/m$i.bin"; done
head -c $((640 * 1024 * 10)) /dev/urandom >"$www/cap1.bin"
for i in 1 2 3; do head -c $((640 * 1024 * 10 / 3)) /dev/urandom >"$www/cap3_$i.bin"; done
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

pulisci() { rm -rf "${dest:?}"/* "$lavoro/temp"; }

# One timed run of a command: prints "wall user sys peak_kib".
misura() {
    pulisci
    /usr/bin/time -f '%e %U %S %M' -o "$lavoro/tempo" "$@" >"$lavoro/uscita" 2>&1 || {
        echo "failed: $*" >&2
        tail -5 "$lavoro/uscita" >&2
    }
    tail -n1 "$lavoro/tempo"
}

# Median of each column over the runs of a command.
mediana() {
    for _ in $(seq "$ripetizioni"); do misura "$@"; done >"$lavoro/serie"
    for c in 1 2 3 4; do
        cut -d' ' -f"$c" "$lavoro/serie" | sort -n | awk '{ v[NR] = $1 }
            END { printf "%s ", v[int((NR + 1) / 2)] }'
    done
}

riga() { printf '%-34s %8s %8s %8s %10s %s\n' "$@"; }
dove=(--temp "$lavoro/temp" --done "$dest")

riga "case" "wall_s" "user_s" "sys_s" "peak_kib" "MB/s"
con_mbs() { # name, bytes, command...
    local nome=$1 byte=$2
    shift 2
    read -r w u s m <<<"$(mediana "$@")"
    riga "$nome" "$w" "$u" "$s" "$m" "$(awk -v b="$byte" -v w="$w" 'BEGIN { printf "%.0f", b / 1e6 / w }')"
}
giga=$((1 << 30))
con_mbs "1 GiB bench_motore" $giga "$motore" "${dove[@]}" "$url/grande.bin"
echo "    (bench_motore's own figures, last run: $(grep -E '^wall_s' "$lavoro/uscita"))"
con_mbs "1 GiB curl -o" $giga curl -sf -o "$dest/grande.bin" "$url/grande.bin"
# The engine flushes a finished file before calling it done; curl does not unless asked.
con_mbs "1 GiB curl -o, then sync" $giga sh -c \
    "curl -sf -o '$dest/grande.bin' '$url/grande.bin' && sync '$dest/grande.bin'"
con_mbs "1 GiB aria2c -x1" $giga aria2c -q -x1 --allow-overwrite=true -d "$dest" "$url/grande.bin"
lista=$(for i in $(seq 15); do echo "$url/m$i.bin"; done)
echo "$lista" >"$lavoro/lista"
quindici=$((15 * 64 << 20))
con_mbs "15 x 64 MiB bench_motore -p15" $quindici "$motore" "${dove[@]}" --parallel 15 $lista
echo "    (bench_motore's own figures, last run: $(grep -E '^wall_s' "$lavoro/uscita"))"
con_mbs "15 x 64 MiB aria2c -j15" $quindici aria2c -q -j15 --allow-overwrite=true -d "$dest" \
    -i "$lavoro/lista"
con_mbs "1 GiB curl to /dev/null" $giga curl -sf -o /dev/null "$url/grande.bin"
con_mbs "1 GiB dd to disk" $giga dd if=/dev/zero of="$dest/dd.bin" bs=1M count=1024 status=none
con_mbs "1 GiB dd to disk, fdatasync" $giga dd if=/dev/zero of="$dest/dd.bin" bs=1M count=1024 \
    conv=fdatasync status=none

# The cap: bytes over the time to the last byte, against 640 KB/s x 1.00.
for lavoratori in 1 3; do
    if ((lavoratori == 1)); then file=("$url/cap1.bin"); else
        file=("$url/cap3_1.bin" "$url/cap3_2.bin" "$url/cap3_3.bin")
    fi
    for _ in $(seq "$ripetizioni"); do
        pulisci
        "$motore" "${dove[@]}" --parallel "$lavoratori" --cap 640 "${file[@]}" | grep '^wall_s' |
            awk '{ print $10 / 1024 / $4 }'
    done | sort -n | awk -v n="$ripetizioni" -v l="$lavoratori" '
        { v[NR] = $1 } END { printf "cap 640 KB/s, %d worker(s): %.1f KB/s (target 640 x 1.00 = 640)\n",
                             l, v[int((n + 1) / 2)] }'
done
