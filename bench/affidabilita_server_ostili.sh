#!/usr/bin/env bash
# Downloads TRASFERIMENTI (default 200) generated files of 1 KiB to 64 MiB (log-uniform sizes)
# with bench_motore, PARALLELO (default 3, as the program) at once, as links the service
# resolves (so a web page where a file was promised is a missing file), from a fake_file_server in
# hostile mode: each file has its own faults (drops, error pages, lying 206s, bodies too long,
# changing ETags, stalls, STESSO_NOME files in a row under one name), and the server is killed
# and started again on the same port RIAVVII times during the run. Then every row is checked
# against the sha256 of the same bytes from a clean server: a row recorded finished whose file
# is missing or differs is bad, a row neither finished nor failed (or not in the table) is
# lost. bench_motore is killed after MASSIMO_S (default 540) seconds, so a hung worker costs a
# row, not the run.
# Then a second, smaller run with extraction on (TRAPPOLE=0 skips it; MASSIMO_TRAPPOLE_S, default
# 240, cuts it short) against another server, with traps around the files: SOSTITUITI (default 6)
# files the server replaces by others of the same size at their first dropped connection, every
# other one only in its first 4096 bytes, so that around the drop only the version the partial
# file began with tells the old file from the new; archives named "..zip", "...zip", ".zip",
# ".rar", "..", "...part1.rar" to "...part3.rar"; symbolic links planted at the partial-file names
# four rows will use, pointing out of the folders; two RAR sets in two groups whose volumes are
# all named "Film.partN.rar". Canary files named as the archives' entries lie in the completed
# folder, in its parent and at the links' targets. The two sets must come out of their own volumes
# into "Film" or "Film (2)", and each dot-named archive (".." names none) into a folder in the
# completed folder: every entry bsdtar extracts from it, the same, though archives of one stem may
# share the folder. The summary adds, over both runs, finished rows whose file is missing, a link
# or not the bytes served (the replacement's, for a replaced file), canary files changed, sets
# extracted wrong and rows lost; the script fails on any of them, as on any bad or lost row of the
# first run. Installs curl, and bsdtar for the second run, when missing.
# TIENI=1 keeps the working folder (logs, databases, files) for a look.
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
trappole=${TRAPPOLE:-1}
sostituiti=${SOSTITUITI:-6}
massimo_trappole=${MASSIMO_TRAPPOLE_S:-240}
server=${FAKE_FILE_SERVER:-$build/tests/fake_file_server}
motore=${BENCH_MOTORE:-$build/bench/bench_motore}
archivi=$radice/tests/engine/data/archives
pacchetti=()
command -v curl >/dev/null || pacchetti+=(curl)
if [[ $trappole == 1 ]] && ! command -v bsdtar >/dev/null; then
    pacchetti+=(libarchive-tools)
fi
if ((${#pacchetti[@]})); then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${pacchetti[@]}"
fi

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
    echo "f$i.bin $(curl -sf --max-time 120 "$base/f$i.bin" | sha256sum | cut -d' ' -f1)" \
        "${dimensioni[i - 1]}"
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

# The rows as bench_motore printed them in the log $1, or from its database in the folder $2
# when it did not get that far; into $3.
leggi_righe() {
    grep -E '^row ' "$1" >"$3" || true
    if [[ ! -s $3 && -f $2/bench_motore.opt ]]; then
        command -v sqlite3 >/dev/null || { apt-get update && apt-get install -y sqlite3; }
        sqlite3 -separator $'\t' "$2/bench_motore.opt" \
            "SELECT id, completato, dimensione, nomefile, link FROM table_download ORDER BY id" |
            awk -F'\t' '{ printf "row %s completato=%s size=%s name=%s link=%s\n",
                $1, $2, $3, $4, $5 }' >"$3"
    fi
}
leggi_righe "$lavoro/motore.log" "$lavoro/temp" "$lavoro/righe"

declare -A atteso dimensione_attesa vecchio riga_di stesso_file
# The faults the server dealt that file (from its listing, $elenco_guasti), and whether its
# finished file is claimed twice.
guasti_di() {
    local dati
    dati=$(grep -F "/$1  " "$elenco_guasti" | sed 's/^ *[^ ]* *//' || true)
    [[ -n $2 ]] && ((${stesso_file[$2]:-0} > 1)) &&
        dati+="; ${stesso_file[$2]} finished rows claim '$2'"
    echo "$dati"
}
# Checks the rows listed in $1, whose files are in the folder $2, against the "path sha256 size"
# lines of $3 (a path as on the server, without its leading "/"); a missing file found in the
# temporary folder $4 is still missing, but said to be there. Sets finiti, falliti, persi,
# corrotti, mancanti and condivisi. `vecchio` holds, by path, the sha256 of a file the server
# replaced, as it was before.
controlla_righe() {
    local r completato nome link sorgente file sha dimensione nota
    atteso=() dimensione_attesa=() riga_di=() stesso_file=()
    finiti=0 falliti=0 persi=0 corrotti=0 mancanti=0 condivisi=0
    while read -r sorgente sha dimensione; do
        atteso[$sorgente]=$sha dimensione_attesa[$sorgente]=$dimensione
    done <"$3"
    # Finished rows that claim one file between them cannot all be right.
    while IFS= read -r r; do
        [[ $r =~ ^row\ [0-9]+\ completato=1\ size=.*\ name=(.+)\ link= ]] || continue
        stesso_file[${BASH_REMATCH[1]}]=$((${stesso_file[${BASH_REMATCH[1]}]:-0} + 1))
    done <"$1"
    while IFS= read -r r; do
        [[ $r =~ ^row\ ([0-9]+)\ completato=(.*)\ size=(.*)\ name=(.*)\ link=(.*)$ ]] || continue
        completato=${BASH_REMATCH[2]} nome=${BASH_REMATCH[4]} link=${BASH_REMATCH[5]}
        sorgente=${link#*://*/}
        riga_di[$sorgente]=1
        case $completato in
        1)
            finiti=$((finiti + 1))
            [[ -n $nome ]] && ((${stesso_file[$nome]:-0} > 1)) && condivisi=$((condivisi + 1))
            file="$2/$nome"
            if [[ -L $file ]]; then
                corrotti=$((corrotti + 1))
                echo "finished, a link: $sorgente as '$nome' -> $(readlink "$file")" \
                    "[$(guasti_di "$sorgente" "$nome")]" >&2
            elif [[ -z $nome || ! -f $file ]]; then
                mancanti=$((mancanti + 1))
                nota=""
                [[ -n $nome && -f $4/$nome ]] && nota=" (it is in the temporary folder)"
                echo "finished, file missing: $sorgente as '$nome'$nota" \
                    "[$(guasti_di "$sorgente" "$nome")]" >&2
            elif [[ $(sha256sum "$file" | cut -d' ' -f1) != "${atteso[$sorgente]:-}" ]]; then
                corrotti=$((corrotti + 1))
                nota=""
                if [[ -z ${vecchio[$sorgente]:-} ]]; then
                    :
                elif [[ $(sha256sum "$file" | cut -d' ' -f1) == "${vecchio[$sorgente]}" ]]; then
                    nota=", the file before its replacement"
                else
                    nota=", neither the file before its replacement nor after"
                fi
                echo "finished, file differs: $sorgente as '$nome'" \
                    "($(stat -c %s "$file") of ${dimensione_attesa[$sorgente]:-?} bytes$nota)" \
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
    done <"$1"
    for sorgente in "${!atteso[@]}"; do
        if [[ -z ${riga_di[$sorgente]:-} ]]; then
            persi=$((persi + 1))
            echo "lost: $sorgente has no row" >&2
        fi
    done
}
elenco_guasti=$lavoro/guasti
controlla_righe "$lavoro/righe" "$lavoro/done" "$lavoro/attesi" "$lavoro/temp"
primo_giro=("$finiti" "$falliti" "$persi" "$corrotti" "$mancanti" "$condivisi")

# The second run: small files and archives with traps around them, extraction on.
t_righe=0 t_finiti=0 t_falliti=0 t_persi=0 t_corrotti=0 t_mancanti=0 t_stato=- t_durata=0
cambiati=0 canarini=0 set_errati=0
if [[ $trappole == 1 ]]; then
    fase=$lavoro/trappole
    # The completed and temporary folders have a parent of their own, canaries aside.
    sorgenti=$fase/sorgenti fuori=$fase/fuori cima=$fase/cima
    temp_t=$cima/temp done_t=$cima/done
    mkdir -p "$sorgenti" "$fuori" "$temp_t" "$done_t"
    : >"$fase/coda"
    : >"$fase/canarini"
    specifiche=() pulite=()
    # A row of the queue: the path on the server and the group; its id is its line.
    accoda() { printf '%s\t%s\n' "$1" "${2:-}" >>"$fase/coda"; }
    # Known bytes where nothing may write ($1), or where nothing may appear ($2 = absent).
    canarino() {
        if [[ ${2:-} == absent ]]; then
            echo "$1 -" >>"$fase/canarini"
        else
            mkdir -p "$(dirname "$1")"
            echo "canary at $1" >"$1"
            echo "$1 $(sha256sum "$1" | cut -d' ' -f1)" >>"$fase/canarini"
        fi
    }
    # The archives' entries: the canaries bear their names.
    voci=(canary.txt test.txt LibarchiveAddingTest.html)
    for voce in "${voci[@]}"; do
        canarino "$done_t/$voce"
        canarino "$cima/$voce"
    done

    # Two sets whose volumes take the same names, in two groups, one after the other in the queue
    # so that their volumes finish side by side.
    set_a=$archivi/test_rar_multivolume_single_file
    set_b=$archivi/test_read_format_rar5_multiarchive
    for v in $(seq 8); do
        if ((v <= 3)); then
            specifiche+=(--file "d/a/Film.part$v.rar=$set_a.part$v.rar")
            accoda "d/a/Film.part$v.rar" film-a
        fi
        specifiche+=(--file "d/b/Film.part$v.rar=$set_b.part0$v.rar")
        accoda "d/b/Film.part$v.rar" film-b
    done
    # What bsdtar extracts from the volumes $2... into set/$1; a set's volumes go in as one stream.
    atteso_da() {
        mkdir -p "$fase/set/$1"
        local dove=$fase/set/$1
        shift
        cat "$@" | (cd "$dove" && bsdtar -xf -)
    }
    atteso_da a "$set_a".part{1,2,3}.rar
    atteso_da b "$set_b".part0{1..8}.rar

    # Names made of dots: a folder named after one would be the completed folder or its parent.
    # Each ZIP holds a canary's name and one of its own, which shows where it went.
    nomi_zip=("..zip" "...zip" ".zip" "..")
    for z in 1 2 3 4; do
        mkdir -p "$sorgenti/zip$z"
        echo "zip $z, canary.txt" >"$sorgenti/zip$z/canary.txt"
        echo "zip $z" >"$sorgenti/zip$z/zip$z.txt"
        (cd "$sorgenti/zip$z" && bsdtar --format zip -cf ../zip$z.zip canary.txt "zip$z.txt")
        specifiche+=(--file "b/$z=$sorgenti/zip$z.zip" --name "b/$z=${nomi_zip[z - 1]}")
        ((z < 4)) && atteso_da "z$z" "$sorgenti/zip$z.zip"
        ((z < 4)) && accoda "b/$z" "punti-$z"
    done
    for v in 1 2 3; do
        specifiche+=(--file "b/r$v=$set_a.part$v.rar"
            --name "b/r$v=...part$v.rar")
        accoda "b/r$v" punti-rar
    done
    specifiche+=(--file "b/r=$archivi/test_read_format_rar.rar" --name "b/r=.rar")
    accoda b/r punti-r
    atteso_da p "$set_a".part{1,2,3}.rar
    atteso_da r "$archivi/test_read_format_rar.rar"
    # A name without an extension says nothing of a ZIP: ".." has nothing to extract.
    declare -A serviti_come=([z1]="..zip" [z2]="...zip" [z3]=".zip" [p]="...part1.rar"
        [r]=".rar")

    # Links at both partial-file names a row may take, pointing out of the folders: at canaries,
    # and for the last row at names that do not exist.
    for c in 1 2 3 4; do
        specifiche+=(--generated "c/c$c.bin:$((40000 + c * 7919)):$((300 + c))")
        pulite+=(--generated "c/c$c.bin:$((40000 + c * 7919)):$((300 + c))")
        accoda "c/c$c.bin"
        id=$(wc -l <"$fase/coda")
        comune="$fuori/c$c/${voci[(c - 1) % 3]}" proprio="$fuori/c$c/${voci[c % 3]}"
        for obiettivo in "$comune" "$proprio"; do
            if ((c == 4)); then canarino "$obiettivo" absent; else canarino "$obiettivo"; fi
        done
        mkdir -p "$fuori/c$c"
        ln -s "$comune" "$temp_t/c$c.bin.trvltmp"
        ln -s "$proprio" "$temp_t/c$c.bin.$id.trvltmp"
        echo "c/c$c.bin $id" >>"$fase/piantati"
    done

    # Files replaced at their first dropped connection, past the bytes a resume checks again;
    # every other one only in its head, so that those bytes match the old file's too.
    testa=4096
    declare -A solo_testa
    for s in $(seq "$sostituiti"); do
        dimensione=$((65536 * 2 ** ((s - 1) % 7) + s * 131))
        sostituzione="a/s$s.bin:$((200 + s)):$((dimensione * (1 + s % 3) / 4))"
        if ((s % 2 == 0)); then
            sostituzione+=":$testa"
            solo_testa[a/s$s.bin]=1
        fi
        specifiche+=(--generated "a/s$s.bin:$dimensione:$((100 + s))"
            --replace-after-drop "$sostituzione")
        pulite+=(--generated "a/s$s.bin:$dimensione:$((200 + s))"
            --generated "vecchi/a/s$s.bin:$dimensione:$((100 + s))")
        accoda "a/s$s.bin"
    done
    # ".." arrives as "download", the stem the dot-named archives' folders take. Last in the
    # queue, it finds their folders made and takes a free number; a file that held a folder's
    # name first would have its archive extracted beside it, as such an archive must be.
    accoda "b/4" "punti-4"
    t_righe=$(wc -l <"$fase/coda")

    # What each row must end with: the bytes on the disk, or those of a clean server.
    : >"$fase/attesi"
    for ((i = 0; i < ${#specifiche[@]}; i += 2)); do
        [[ ${specifiche[i]} == --file ]] || continue
        voce=${specifiche[i + 1]}
        echo "${voce%%=*} $(sha256sum "${voce#*=}" | cut -d' ' -f1) $(stat -c %s "${voce#*=}")"
    done >>"$fase/attesi"
    tutte=("${specifiche[@]}")
    specifiche=("${pulite[@]}")
    log="$fase/pulito.log"
    avvia_server 0
    for ((i = 1; i < ${#pulite[@]}; i += 2)); do
        percorso=${pulite[i]%%:*}
        sha=$(curl -sf --max-time 60 "$base/$percorso" | sha256sum | cut -d' ' -f1)
        if [[ $percorso == vecchi/* ]]; then
            vecchio[${percorso#vecchi/}]=$sha
        else
            if [[ -n ${solo_testa[$percorso]:-} ]]; then
                # The new file's head on the old file's tail.
                sha=$({
                    curl -sf --max-time 60 -r "0-$((testa - 1))" "$base/$percorso"
                    curl -sf --max-time 60 "$base/vecchi/$percorso" | tail -c "+$((testa + 1))"
                } | sha256sum | cut -d' ' -f1)
            fi
            dimensione=${pulite[i]#*:}
            echo "$percorso $sha ${dimensione%%:*}"
        fi
    done >>"$fase/attesi"
    ferma_server

    specifiche=("${tutte[@]}")
    log="$fase/server.log"
    avvia_server 0
    cp "$log" "$fase/guasti"
    awk -v b="$base" '{ print b "/" $0 }' "$fase/coda" >"$fase/url"
    accanto() { find "$cima" -mindepth 1 -maxdepth 1 -printf '%f\n' | LC_ALL=C sort; }
    accanto >"$fase/accanto.prima"

    inizio=$SECONDS
    "$motore" --parallel "$parallel" --rounds "$giri" --servizio 1 --estrai 1 \
        --temp "$temp_t" --done "$done_t" <"$fase/url" >"$fase/motore.log" 2>&1 &
    pid_motore=$!
    t_scaduto=0
    while kill -0 "$pid_motore" 2>/dev/null; do
        if ((SECONDS - inizio >= massimo_trappole)); then
            t_scaduto=1
            kill -9 "$pid_motore" 2>/dev/null || true
        fi
        sleep 1
    done
    t_stato=0
    wait "$pid_motore" || t_stato=$?
    pid_motore=""
    t_durata=$((SECONDS - inizio))
    ((t_scaduto)) && t_stato+=" (killed after $massimo_trappole s)"
    ferma_server
    echo
    echo "traps:"
    grep -E '^(round|files|wall_s)' "$fase/motore.log" || true

    leggi_righe "$fase/motore.log" "$temp_t" "$fase/righe"
    elenco_guasti=$fase/guasti
    controlla_righe "$fase/righe" "$done_t" "$fase/attesi" "$temp_t"
    t_finiti=$finiti t_falliti=$falliti t_persi=$persi t_corrotti=$corrotti t_mancanti=$mancanti

    # A link planted for a row that took another id tested nothing.
    while read -r percorso id; do
        grep -qE "^row $id .* link=.*/$percorso\$" "$fase/righe" ||
            echo "links for $percorso were planted for row $id, which is another row" >&2
    done <"$fase/piantati"

    while read -r percorso sha; do
        canarini=$((canarini + 1))
        if [[ $sha == - ]]; then
            [[ -e $percorso || -L $percorso ]] || continue
            echo "canary changed: $percorso, absent before, is there" >&2
        elif [[ -L $percorso || ! -f $percorso ]]; then
            echo "canary changed: $percorso is no longer a plain file" >&2
        elif [[ $(sha256sum "$percorso" | cut -d' ' -f1) != "$sha" ]]; then
            echo "canary changed: $percorso now holds" \
                "'$(head -c 60 "$percorso" | tr -c '[:print:]' '?')'" >&2
        else
            continue
        fi
        cambiati=$((cambiati + 1))
    done <"$fase/canarini"
    # Where each ZIP's own entry went, and what came beside the completed folder.
    for z in 1 2 3 4; do
        dove=$(find "$cima" "$fuori" -name "zip$z.txt" -printf '%h\n' |
            sed "s|^$done_t|<done>|; s|^$cima|<parent>|" | paste -sd, -)
        echo "zip $z served as '${nomi_zip[z - 1]}': its entries in ${dove:-no folder}" >&2
    done
    accanto | LC_ALL=C comm -13 "$fase/accanto.prima" - |
        sed 's/^/new beside the completed folder: /' >&2

    # The entries under $1, one a line: type, path and the sha256 of a file or the target of a
    # link.
    elenco() {
        [[ -d $1 ]] || return 0
        (cd "$1" && find . -mindepth 1 | LC_ALL=C sort | while IFS= read -r v; do
            if [[ -L $v ]]; then
                echo "l $v -> $(readlink "$v")"
            elif [[ -f $v ]]; then
                echo "f $v $(sha256sum <"$v" | cut -d' ' -f1)"
            else
                echo "d $v"
            fi
        done)
    }
    # The entries of the listing $1 that the folder $2 lacks, or holds otherwise.
    mancano() { LC_ALL=C comm -23 <(LC_ALL=C sort <<<"$1") <(elenco "$2" | LC_ALL=C sort); }
    # Whether the folder $2 holds every entry of the listing $1, the same: archives of one stem
    # may share a folder ("download.zip" and "download.part1.rar" in "download").
    contiene() { [[ -n $1 && -z $(mancano "$1" "$2") ]]; }
    # The two sets named alike in "Film" or "Film (2)"; each dot-named archive in a folder
    # beneath the completed folder, whatever its name.
    for lettera in a b; do
        atteso_set=$(elenco "$fase/set/$lettera")
        for cartella in Film "Film (2)"; do
            contiene "$atteso_set" "$done_t/$cartella" && continue 2
        done
        set_errati=$((set_errati + 1))
        echo "set film-$lettera is in neither 'Film' nor 'Film (2)'; missing or different:" \
            "$(mancano "$atteso_set" "$done_t/Film" | cut -d' ' -f2 | paste -sd' ' -) in 'Film'," \
            "$(mancano "$atteso_set" "$done_t/Film (2)" | cut -d' ' -f2 | paste -sd' ' -)" \
            "in 'Film (2)'" >&2
    done
    for set_punti in z1 z2 z3 p r; do
        atteso_set=$(elenco "$fase/set/$set_punti")
        # Not the sets' folders: "...part1.rar" is set film-a's archive.
        for cartella in "$done_t"/*/; do
            [[ $cartella == "$done_t"/Film*/ ]] && continue
            contiene "$atteso_set" "$cartella" && continue 2
        done
        set_errati=$((set_errati + 1))
        echo "archive served as '${serviti_come[$set_punti]}' is whole in no folder" >&2
    done
    if ((set_errati)); then
        for cartella in "$done_t"/*/; do
            [[ -d $cartella ]] || continue
            cartella=${cartella%/}
            echo "'${cartella##*/}' holds: $(elenco "$cartella" | grep -c '^f') files," \
                "$(elenco "$cartella" | grep '^f' | cut -d' ' -f2 | paste -sd' ' -)" >&2
        done
    fi
fi
read -r finiti falliti persi corrotti mancanti condivisi <<<"${primo_giro[*]}"
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
if [[ $trappole == 1 ]]; then
    righe_trappole="$t_righe ($sostituiti replaced, $((sostituiti / 2)) of them in the head only,"
    righe_trappole+=" 8 dot names, 4 with links, 11 in 2 sets)"
    printf '%-34s %s\n' \
        "traps: rows" "$righe_trappole" \
        "traps: finished" "$t_finiti" \
        "traps: failed (recorded as such)" "$t_falliti" \
        "traps: bench_motore exit" "$t_stato" \
        "traps: elapsed (s)" "$t_durata"
fi
sbagliati=$((corrotti + mancanti + t_corrotti + t_mancanti)) tutti_persi=$((persi + t_persi))
printf '%-34s %s\n' "finished, file differs or missing" "$sbagliati (target 0, both runs)" \
    "canary files changed" "$cambiati of $canarini (target 0)" \
    "extracted sets wrong" "$set_errati of $((trappole == 1 ? 7 : 0)) (target 0)" \
    "rows lost" "$tutti_persi (target 0, both runs)"
[[ $sbagliati -eq 0 && $persi -eq 0 && $tutti_persi -eq 0 && $cambiati -eq 0 && $set_errati -eq 0 ]]
