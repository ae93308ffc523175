#!/usr/bin/env bash
# Start-up to the main window (bench_avvio, offscreen) with the maker's site reachable and
# serving both banners and a notice, beside the same with the site refusing connections: the
# loaders run on their own threads and must not delay the window. Medians of RIPETIZIONI runs
# (default 7), each mode alternating with the other.
#   bench/bench_avvio_produttore.sh [BUILD_DIR]   (default build/tests)
set -euo pipefail

radice=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$radice/build/tests}")
ripetizioni=${RIPETIZIONI:-7}
bench=$build/bench/bench_avvio

sito=$(mktemp -d)
server_pid=
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$sito"' EXIT

python3 - "$sito" <<'PY'
import os, struct, sys
radice = sys.argv[1]
def bmp(w, h, colore):
    riga = (w * 3 + 3) & ~3
    dati = b"".join(bytes(colore) * w + b"\0" * (riga - w * 3) for _ in range(h))
    testa = b"BM" + struct.pack("<IHHI", 54 + len(dati), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(dati), 2835, 2835, 0, 0)
    return testa + info + dati
open(os.path.join(radice, "top.bmp"), "wb").write(bmp(250, 52, (200, 120, 40)))
open(os.path.join(radice, "strip.bmp"), "wb").write(bmp(468, 60, (40, 120, 200)))
open(os.path.join(radice, "banner.ini"), "w").write(
    'image1="top.bmp"\nlink1="https://example.org/a?c=[VOUCHER]"\n'
    'image2="strip.bmp"\nlink2="https://example.org/b"\n')
open(os.path.join(radice, "infoscreen.ini"), "w", encoding="utf-8").write(
    "Novità della settimana:\n" + "riga di avviso con qualche parola in più\n" * 200)
PY

porta=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server "$porta" --bind 127.0.0.1 --directory "$sito" >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 50); do
    python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$porta/banner.ini')" \
        2>/dev/null && break
    sleep 0.1
done

misura() { # maker site root -> ms to the window, splash excluded
    TARVOLIN_MAKER_SITE=$1 QT_QPA_PLATFORM=offscreen "$bench" 2>/dev/null |
        grep -oE 'excluded: -?[0-9]+ ms' | grep -oE -- '-?[0-9]+'
}
mediana() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

raggiungibile=()
irraggiungibile=()
for _ in $(seq "$ripetizioni"); do
    raggiungibile+=("$(misura "http://127.0.0.1:$porta")")
    irraggiungibile+=("$(misura "http://127.0.0.1:1")")
done
echo "site reachable (banners + notice): ${raggiungibile[*]} ms -> median $(printf '%s\n' "${raggiungibile[@]}" | mediana) ms"
echo "site unreachable:                  ${irraggiungibile[*]} ms -> median $(printf '%s\n' "${irraggiungibile[@]}" | mediana) ms"
