#!/usr/bin/env bash
# Downloads TRASFERIMENTI (default 200) generated files of 1 KiB to 64 MiB (log-uniform sizes)
# with bench_motore, PARALLELO (default 3, as the program) at once, as links the service
# resolves (so a web page where a file was promised is a missing file), from a fake_file_server in
# hostile mode: each file has its own faults (drops, error pages, lying 206s, bodies too long,
# changing ETags, stalls, STESSO_NOME files in a row under one name), and the server is killed
# and started again on the same port RIAVVII times during the run. Then every row is checked
# against the sha256 of the same bytes from a clean server: a row recorded finished whose file
# is missing or differs is bad, a row neither finished nor failed (or not in the table) is
# lost. Prints a summary with bench_motore's peak resident size; fails on any bad or lost row.
# bench_motore is killed after MASSIMO_S (default 540) seconds, so a hung worker costs a row,
# not the run; TIENI=1 keeps the working folder (logs, database, files) for a look.
#   bench/affidabilita_server_ostili.sh [BUILD_DIR]   (default build/tests; FAKE_FILE_SERVER,
#   BENCH_MOTORE override one program; SEME, GIRI, STALL_MS, RIAVVIO_OGNI_S tune the run)
set -euo pipefail

radice=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$radice/build/tests}")
n=${TRASFERIMENTI:-200}
parallel=${PARALLELO:-3}
seme=${SEME:-42}
giri=${GIRI:-6}
stall=${STALL_MS:-4000}
stesso_nome=${STESSO_NOME:-2}
riavvii=${RIAVVII:-4}
ogni=${RIAVVIO_OGNI_S:-25}
massimo=${MASSIMO_S:-540}
server=${FAKE_FILE_SERVER:-$build/tests/fake_file_server}
motore=${BENCH_MOTORE:-$build/bench/bench_motore}
command -v curl >/dev/null || { apt-get update && apt-get install -y curl; }

lavoro=$(mktemp -d)
pid_server="" pid_motore=""
ferma_server() {
    if [[ -n $pid_server ]]; then
        kill -9 "$pid_server" 2>/dev/null || true
        wait "$pid_server" 2>/dev/null || true
        pid_server=""
    fi
}
pulisci() {
    [[ -n $pid_motore ]] && { kill -9 "$pid_motore" 2>/dev/null || true; }
    ferma_server
    if [[ ${TIENI:-0} == 1 ]]; then echo "kept $lavoro" >&2; else rm -rf "$lavoro"; fi
}
trap pulisci EXIT

# Starts the server on port $1 (0: any) with the extra flags after it, logging to $log; sets
# pid_server and base. A port just freed by a killed server may take a moment to bind.
avvia_server() {
    local porta=$1
    shift
    for _ in $(seq 20); do
        : >"$log"
        "$server" --port "$porta" "${specifiche[@]}" "$@" 2>"$log" &
        pid_server=$!
        for _ in $(seq 100); do
            base=$(head -n1 "$log" 2>/dev/null || true)
            [[ $base == http* ]] && return 0
            kill -0 "$pid_server" 2>/dev/null || break
            sleep 0.1
        done
        ferma_server
        sleep 0.5
    done
    echo "fake_file_server did not start" >&2
    exit 1
}

# Sizes from a fixed seed, so a run can be repeated.
mapfile -t dimensioni < <(awk -v n="$n" -v s="$seme" 'BEGIN { srand(s); for (i = 1; i <= n; i++)
    printf "%d\n", int(1024 * exp(rand() * log(65536))) }')
specifiche=()
for i in $(seq "$n"); do
    specifiche+=(--generated "f$i.bin:${dimensioni[i - 1]}:$i")
done
totale_kib=$(printf '%s\n' "${dimensioni[@]}" | awk '{ s += $1 } END { printf "%d", s / 1024 }')
# Partial and finished copies share the file system; room for both, and a margin.
libero_kib=$(df -Pk "$lavoro" | awk 'NR == 2 { print $4 }')
if ((libero_kib < 2 * totale_kib + 524288)); then
    echo "need $((2 * totale_kib / 1024 + 512)) MiB free in $lavoro," \
        "have $((libero_kib / 1024))" >&2
    exit 1
fi
echo "$n files, $((totale_kib / 1024)) MiB in all, $parallel at once, hostile seed $seme," \
    "stalls $stall ms, $stesso_nome a name, $riavvii server kills every ${ogni} s"

log="$lavoro/pulito.log"
avvia_server 0
for i in $(seq "$n"); do
    echo "f$i.bin $(curl -sf --max-time 120 "$base/f$i.bin" | sha256sum | cut -d' ' -f1)"
done >"$lavoro/attesi"
ferma_server

ostile=(--hostile "$seme" --stall-ms "$stall" --same-name "$stesso_nome")
log="$lavoro/ostile.log"
avvia_server 0 "${ostile[@]}"
cp "$log" "$lavoro/guasti"
porta=${base##*:}
for i in $(seq "$n"); do echo "$base/f$i.bin"; done >"$lavoro/url"

inizio=$SECONDS
# As links the service resolves, so that an error page is judged as where a file was promised.
"$motore" --parallel "$parallel" --rounds "$giri" --servizio 1 --temp "$lavoro/temp" \
    --done "$lavoro/done" <"$lavoro/url" >"$lavoro/motore.log" 2>&1 &
pid_motore=$!
# The peak is sampled too, in case the run has to be cut short and prints nothing.
picco_campionato=0 uccisi=0 scaduto=0
while kill -0 "$pid_motore" 2>/dev/null; do
    hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid_motore/status" 2>/dev/null || true)
    ((${hwm:-0} > picco_campionato)) && picco_campionato=$hwm
    if ((uccisi < riavvii && SECONDS - inizio >= (uccisi + 1) * ogni)); then
        ferma_server
        sleep 1
        avvia_server "$porta" "${ostile[@]}"
        uccisi=$((uccisi + 1))
        echo "server killed and restarted at $((SECONDS - inizio)) s"
    fi
    if ((SECONDS - inizio >= massimo)); then
        scaduto=1
        kill -9 "$pid_motore" 2>/dev/null || true
    fi
    sleep 1
done
stato_motore=0
wait "$pid_motore" || stato_motore=$?
pid_motore=""
durata=$((SECONDS - inizio))
ferma_server
grep -E '^(round|files|wall_s)' "$lavoro/motore.log" || true

# The rows as bench_motore prints them, or from its database when it did not get that far.
grep -E '^row ' "$lavoro/motore.log" >"$lavoro/righe" || true
if [[ ! -s $lavoro/righe && -f $lavoro/temp/bench_motore.opt ]]; then
    command -v sqlite3 >/dev/null || { apt-get update && apt-get install -y sqlite3; }
    sqlite3 -separator $'\t' "$lavoro/temp/bench_motore.opt" \
        "SELECT id, completato, dimensione, nomefile, link FROM table_download ORDER BY id" |
        awk -F'\t' '{ printf "row %s completato=%s size=%s name=%s link=%s\n",
            $1, $2, $3, $4, $5 }' >"$lavoro/righe"
fi

declare -A atteso riga_di stesso_file
while read -r nome sha; do atteso[$nome]=$sha; done <"$lavoro/attesi"
# Finished rows that claim one file between them cannot all be right.
while IFS= read -r r; do
    [[ $r =~ ^row\ [0-9]+\ completato=1\ size=.*\ name=(.+)\ link= ]] || continue
    stesso_file[${BASH_REMATCH[1]}]=$((${stesso_file[${BASH_REMATCH[1]}]:-0} + 1))
done <"$lavoro/righe"
finiti=0 falliti=0 persi=0 corrotti=0 mancanti=0 condivisi=0
# The faults the server dealt that file, and whether its finished file is claimed twice.
guasti_di() {
    local dati
    dati=$(grep -F "/$1  " "$lavoro/guasti" | sed 's/^ *[^ ]* *//' || true)
    [[ -n $2 ]] && ((${stesso_file[$2]:-0} > 1)) &&
        dati+="; ${stesso_file[$2]} finished rows claim '$2'"
    echo "$dati"
}
while IFS= read -r r; do
    [[ $r =~ ^row\ ([0-9]+)\ completato=(.*)\ size=(.*)\ name=(.*)\ link=(.*)$ ]] || continue
    completato=${BASH_REMATCH[2]} nome=${BASH_REMATCH[4]} link=${BASH_REMATCH[5]}
    sorgente=${link##*/}
    riga_di[$sorgente]=1
    case $completato in
    1)
        finiti=$((finiti + 1))
        [[ -n $nome ]] && ((${stesso_file[$nome]:-0} > 1)) && condivisi=$((condivisi + 1))
        file="$lavoro/done/$nome"
        if [[ ! -f $file ]]; then
            mancanti=$((mancanti + 1))
            echo "finished, file missing: $sorgente as '$nome'" \
                "[$(guasti_di "$sorgente" "$nome")]" >&2
        elif [[ $(sha256sum "$file" | cut -d' ' -f1) != "${atteso[$sorgente]:-}" ]]; then
            corrotti=$((corrotti + 1))
            echo "finished, file differs: $sorgente as '$nome'" \
                "($(stat -c %s "$file") of ${dimensioni[${sorgente//[!0-9]/} - 1]} bytes)" \
                "[$(guasti_di "$sorgente" "$nome")]" >&2
        fi
        ;;
    2) falliti=$((falliti + 1)) ;;
    *)
        persi=$((persi + 1))
        echo "lost: $sorgente left at completato='$completato'" \
            "[$(guasti_di "$sorgente" "$nome")]" >&2
        ;;
    esac
done <"$lavoro/righe"
for i in $(seq "$n"); do
    if [[ -z ${riga_di[f$i.bin]:-} ]]; then
        persi=$((persi + 1))
        echo "lost: f$i.bin has no row" >&2
    fi
done

picco=$(grep -oE 'peak_rss_kib [0-9]+' "$lavoro/motore.log" | cut -d' ' -f2 || true)
picco=${picco:-$picco_campionato}
echo
printf '%-34s %s\n' "downloads" "$n ($((totale_kib / 1024)) MiB)" \
    "finished" "$finiti" \
    "failed (recorded as such)" "$falliti" \
    "finished, file differs" "$corrotti (target 0)" \
    "finished, file missing" "$mancanti (target 0)" \
    "lost" "$persi (target 0)" \
    "finished, sharing a file name" "$condivisi" \
    "server kills" "$uccisi" \
    "bench_motore exit" "$stato_motore$( ((scaduto)) && echo " (killed after $massimo s)")" \
    "peak RSS (KiB)" "$picco" \
    "elapsed (s)" "$durata"
[[ $corrotti -eq 0 && $mancanti -eq 0 && $persi -eq 0 ]]
