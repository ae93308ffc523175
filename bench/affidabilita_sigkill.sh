#!/usr/bin/env bash
# Runs the real program (offscreen, private HOME, automatic mode, 3 at once) on a queue of
# FILE (default 20) generated files, kills it with SIGKILL at random moments UCCISIONI times
# (default 50), restarting it after each, then lets it run until every row is finished.
# Checks the row count, the database's integrity and every finished file's sha256.
#   bench/affidabilita_sigkill.sh [BUILD_DIR]   (default build/tests; TARVOLIN_APP, FAKE_SERVICE,
#   FAKE_FILE_SERVER override one program)
set -euo pipefail

radice=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$radice/build/tests}")
file=${FILE:-20}
uccisioni=${UCCISIONI:-50}
limite_kbs=${LIMITE_KBS:-12000}
scadenza=$((SECONDS + ${MASSIMO_S:-1200}))
app=${TARVOLIN_APP:-$build/src/app/Tarvolin}
server=${FAKE_FILE_SERVER:-$build/tests/fake_file_server}
servizio=${FAKE_SERVICE:-$build/tests/fake_service}
command -v sqlite3 >/dev/null || { apt-get update && apt-get install -y sqlite3; }
command -v curl >/dev/null || { apt-get update && apt-get install -y curl; }

lavoro=$(mktemp -d)
pid_file="" pid_servizio="" pid_app=""
ferma() {
    local pid
    for pid in $pid_app $pid_file $pid_servizio; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    pid_app="" pid_file="" pid_servizio=""
}
trap 'ferma; rm -rf "$lavoro"' EXIT

# Waits for a line matching $2 in file $1 and prints it.
attendi_riga() {
    local riga
    for _ in $(seq 100); do
        riga=$(grep -m1 -E "$2" "$1" 2>/dev/null || true)
        [[ -n $riga ]] && { echo "$riga"; return 0; }
        sleep 0.1
    done
    echo "no '$2' in $1" >&2
    exit 1
}

mapfile -t dimensioni < <(awk -v n="$file" 'BEGIN { srand(7); for (i = 1; i <= n; i++)
    printf "%d\n", int(1048576 * exp(rand() * log(64))) }')
specifiche=()
for i in $(seq "$file"); do specifiche+=(--generated "k$i.bin:${dimensioni[i - 1]}:$((100 + i))"); done

# The expected bytes, from a server that does not misbehave.
"$server" "${specifiche[@]}" 2>"$lavoro/pulito.log" &
pid_file=$!
base=$(attendi_riga "$lavoro/pulito.log" '^http')
for i in $(seq "$file"); do
    echo "k$i.bin $(curl -sf --max-time 120 "$base/k$i.bin" | sha256sum | cut -d' ' -f1)"
done >"$lavoro/attesi"
ferma

"$server" "${specifiche[@]}" --drop-every 4000000 2>"$lavoro/file.log" &
pid_file=$!
base=$(attendi_riga "$lavoro/file.log" '^http')
"$servizio" --port 0 >/dev/null 2>"$lavoro/servizio.log" &
pid_servizio=$!
porta_servizio=$(attendi_riga "$lavoro/servizio.log" ':[0-9]+' | grep -oE '[0-9]+$')

home="$lavoro/home"
dati="$home/.local/share/Tarvolin"
mkdir -p "$dati" "$home/tmp" "$home/temp" "$home/done"
printf '[generale]\ndownloadautomatico=1\nmaxdownload=3\nlimit=%s\nlimitecheck=1\n%s\n%s\n' \
    "$limite_kbs" "tempdir=$home/temp/" "completedir=$home/done/" >"$dati/Tarvolin.ini"
db="$dati/database.opt"
sqlite3 "$db" "CREATE TABLE table_download (id INTEGER PRIMARY KEY, link TEXT, passlink TEXT,
    passwordarchivio TEXT, autoextract TEXT, gruppo TEXT, nomefile TEXT, dimensione INTEGER,
    completato TEXT);"
for i in $(seq "$file"); do
    sqlite3 "$db" "INSERT INTO table_download VALUES (NULL, '$base/k$i.bin', '', '', '0', '',
        '', '', '0')"
done
chmod 600 "$dati"/*

avvia_app() {
    env -i PATH="$PATH" HOME="$home" TMPDIR="$home/tmp" QT_QPA_PLATFORM=offscreen \
        TARVOLIN_SERVICE="127.0.0.1:$porta_servizio" TARVOLIN_MAKER_SITE=http://127.0.0.1:9 \
        TARVOLIN_HOST_SITES=http://www.easybytez.localhost:9 TARVOLIN_DLC_SERVICE=http://127.0.0.1:9 \
        TARVOLIN_LINKFOLDER_DOMAINS=linkfolder.localhost "$app" >>"$lavoro/app.log" 2>&1 &
    pid_app=$!
}
sql() { sqlite3 -cmd ".timeout 5000" "$db" "$1"; }

inizio=$SECONDS
uccise=0
while ((uccise < uccisioni && SECONDS < scadenza)); do
    avvia_app
    # Start-up (splash, countdown) takes about 15 s; most kills land during transfers.
    sleep "$(awk -v s="$RANDOM" 'BEGIN { srand(s); printf "%.2f", 2 + rand() * 28 }')"
    kill -9 "$pid_app" 2>/dev/null || true
    wait "$pid_app" 2>/dev/null || true
    pid_app=""
    uccise=$((uccise + 1))
done
echo "kills $uccise in $((SECONDS - inizio)) s; finished so far:" \
    "$(sql "SELECT COUNT(*) FROM table_download WHERE completato = '1'")"

avvia_app
while ((SECONDS < scadenza)); do
    [[ $(sql "SELECT COUNT(*) FROM table_download WHERE completato <> '1'") == 0 ]] && break
    sleep 2
done
kill -9 "$pid_app" 2>/dev/null || true
wait "$pid_app" 2>/dev/null || true
pid_app=""

righe=$(sql "SELECT COUNT(*) FROM table_download")
finiti=$(sql "SELECT COUNT(*) FROM table_download WHERE completato = '1'")
integrita=$(sql "PRAGMA integrity_check")
diversi=0 mancanti=0
while read -r nome atteso; do
    if [[ ! -f $home/done/$nome ]]; then
        mancanti=$((mancanti + 1))
    elif [[ $(sha256sum "$home/done/$nome" | cut -d' ' -f1) != "$atteso" ]]; then
        diversi=$((diversi + 1))
        echo "differs: $nome" >&2
    fi
done <"$lavoro/attesi"
echo "rows $righe of $file finished $finiti integrity $integrita files_missing $mancanti" \
    "files_corrupt $diversi total_s $((SECONDS - inizio))"
[[ $righe == "$file" && $finiti == "$file" && $integrita == ok && $diversi == 0 ]]
