#!/usr/bin/env bash
# The main job: the whole chain as an office uses it. It builds the programs it runs (not the
# tests), starts the printer stand-in (korvane-mfp-sim: folder service, print port, operator
# panel), makes a CUPS queue for it whose filter is the project's korvane-jobcontrol, and prints
# a document with the Job Control tab for real: the job travels through cupsd and the filter into
# the printer, which holds it until its PIN is typed at the printer's operator panel; the script
# then types the PIN there and shows the printed file. When the printer gets no job it says why,
# as cupsd knows it (the filter's or backend's own message).
#
# With a display (DISPLAY or WAYLAND_DISPLAY) the print dialog opens on that queue and the chain
# runs with what the user chose. Without one, a typical job runs in batch mode: retention "hold
# only" with the PIN 4711, login authentication as mia.jensen, the folders fetched from the
# stand-in and the protected folder "Finance" chosen with its password.
#
# The queue lives on the machine's cupsd when the filter is installed there and the queue can be
# added; otherwise on a private cupsd of the job's own. --printer QUEUE prints on an existing
# queue instead (nothing is released then). --keep leaves the printer running afterwards, so its
# operator panel can be visited, until Ctrl-C.
#
#   scripts/run-main-job.sh [--printer QUEUE] [--batch] [--keep] [--out DIR]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
# lpadmin and cupsd live in /usr/sbin, which a user's PATH lacks.
PATH=$PATH:/usr/sbin:/sbin
build=${BUILD_DIR:-$top/build}
out=$build/main-job
queue=
force_batch=0
keep=0
pin=4711

while [ $# -gt 0 ]; do
  case $1 in
    --printer|-P) queue=${2:?--printer needs a queue name}; shift 2 ;;
    --batch) force_batch=1; shift ;;
    --keep) keep=1; shift ;;
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run-main-job: unknown argument $1 (try --help)" >&2; exit 2 ;;
  esac
done

echo "== Building the programs the job runs (this takes a few minutes the first time)"
# The host brings the plug-in bundle and the preview's module with it; the filter's queue needs
# its driver program and a seal key pair; the tests are left out.
BUILD_DIR=$build "$top/scripts/build.sh" --target korvane-print --target korvane-mfp-sim --target korvane-jobcontrol \
  --target korvane-ppd-driver --target korvane-seal-key
bin=$build/bin

"$top/scripts/private-cupsd.sh" stop "$out/cups" 2>/dev/null || true
rm -rf "$out"
mkdir -p "$out"
# The tab remembers locked values per user; the demo keeps its own, so every run starts alike.
export XDG_CONFIG_HOME=$out/config

sim_pid=
system_queue=
cups_log=/var/log/cups/error_log
cleanup() {
  [ -n "$system_queue" ] && lpadmin -x "$system_queue" 2>/dev/null
  "$top/scripts/private-cupsd.sh" stop "$out/cups" 2>/dev/null
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
  fi
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits until the stand-in's standard output holds a line "WHAT on 127.0.0.1:PORT"; prints PORT.
wait_for_port() {
  local what=$1 port
  for _ in $(seq 1 100); do
    port=$(sed -n "s/^$what on 127\\.0\\.0\\.1:\\([0-9]*\\)\$/\\1/p" "$out/mfp-sim.out")
    if [ -n "$port" ]; then
      echo "$port"
      return 0
    fi
    if ! kill -0 "$sim_pid" 2>/dev/null; then
      echo "run-main-job: korvane-mfp-sim stopped: $(cat "$out/mfp-sim.err")" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "run-main-job: korvane-mfp-sim did not say where it is $what" >&2
  return 1
}

echo "== Starting the printer stand-in"
"$bin/korvane-mfp-sim" --port 0 --print-port 0 --state "$out/printer" \
  --folder Reports --folder Finance:protected --folder Projects \
  --user mia.jensen:sesame --user-number 4242 \
  > "$out/mfp-sim.out" 2> "$out/mfp-sim.err" &
sim_pid=$!
http_port=$(wait_for_port listening)
print_port=$(wait_for_port printing)
address=127.0.0.1:$http_port
panel_url=http://$address/
echo "   folders Reports, Finance (protected) and Projects at http://$address/korvane-mfp-srv"
echo "   print port socket://127.0.0.1:$print_port, operator panel $panel_url"

# Adds the queue korvane-demo for the stand-in, made as an administrator makes it: lpadmin -m
# with the model that lpinfo -m lists, whose PPD carries the server's seal key. On the machine's
# cupsd when our package is installed there and it takes the queue, else on a private cupsd
# (CUPS_SERVER then names it).
make_queue() {
  local device=socket://127.0.0.1:$print_port
  local model=korvane:///rk880.ppd
  local serverbin
  serverbin=$(cups-config --serverbin 2>/dev/null || echo /usr/lib/cups)
  if [ -x "$serverbin/filter/korvane-jobcontrol" ] && [ -x "$serverbin/driver/korvane" ] &&
     lpstat -r 2>/dev/null | grep -q 'is running' &&
     lpadmin -p korvane-demo -E -v "$device" -m "$model" 2>/dev/null; then
    system_queue=korvane-demo
    echo "   queue korvane-demo on this machine's cupsd, model $model"
    return 0
  fi
  "$top/scripts/private-cupsd.sh" start "$out/cups" "$bin/korvane-jobcontrol" > "$out/cupsd.out"
  cups_log=$out/cups/log/error_log
  CUPS_SERVER=$(cat "$out/cups/server")
  export CUPS_SERVER
  if ! lpinfo -m 2> "$out/lpadmin.err" | grep -q "^$model " ||
     ! lpadmin -p korvane-demo -E -v "$device" -m "$model" 2>> "$out/lpadmin.err"; then
    echo "run-main-job: cannot make the queue with the model $model:" >&2
    cat "$out/lpadmin.err" >&2
    return 1
  fi
  echo "   queue korvane-demo on a private cupsd at $CUPS_SERVER, model $model (this machine's has no filter of ours)"
}

# Prints the stand-in's job list as it serves it to scripts, one job a line.
show_jobs() {
  curl -fsS "http://$address/jobs" | tr -d '\n' | sed -e 's/}, *{/}\n{/g' -e 's/^\[//' -e 's/\]$//' |
    sed -e 's/^ *{/   {/'
  echo
}

# Runs the host with its messages on standard error as they come, kept in $out/host.err too.
run_host() {
  "$bin/korvane-print" "$@" 2> >(tee "$out/host.err" >&2)
}

# The id of the job the host sent to cupsd, from its "sent job N to QUEUE" line; empty before.
cups_job_id() {
  sed -n 's/.*sent job \([0-9]*\) to .*/\1/p' "$out/host.err" 2>/dev/null | tail -n 1
}

# The job's attributes as cupsd reports them, one "NAME (TYPE) = VALUE" a line.
cups_job_attributes() {
  local host=${CUPS_SERVER:-localhost}
  case $host in /*) host=localhost ;; esac
  ipptool -tv "ipp://$host/jobs/$1" get-job-attributes.test 2>/dev/null
}

# Whether cupsd has stopped trying to send the job: it holds, stopped, cancelled or aborted it
# (a held job is one cupsd could not send and will try again in minutes).
cups_gave_up() {
  cups_job_attributes "$1" | grep -q -E 'job-state \(enum\) = (pending-held|processing-stopped|canceled|aborted)$'
}

# Says why the job never reached the printer, as cupsd knows it: the job's state and its
# filters' and backend's last message, then the job's errors and warnings in cupsd's log, where
# their own ERROR lines go, and how each of its programs ended (from the history cupsd writes
# there when it stops a job; the rest of that history, the job's options among them, stays in
# the log). A status of 100 and more is cupsd's for a program it could not start (100 plus the
# error number); it is spelt out.
explain_job() {
  local id=$1
  cups_job_attributes "$id" |
    sed -n -E 's/^ *(job-state|job-state-reasons|job-printer-state-message) \([^)]*\) = (.*)$/   \1: \2/p'
  if [ -r "$cups_log" ]; then
    grep -F "] [Job $id] " "$cups_log" |
      grep -E '^[EWC] |^D .*\] PID [0-9]+ \(.*\) (stopped with status|crashed on signal)' | sed 's/^/   /' |
      perl -pe 's/status (1\d\d) \(unknown\)/"status $1 (cupsd could not start the filter or backend: " . do { local $! = $1 - 100; "$!" } . ")"/e'
  else
    echo "   (cupsd's log $cups_log is not readable here)"
  fi
}

# Waits up to a minute for the printer to hold a job; prints its id. When cupsd gives up on the
# job first, or the minute passes, says what cupsd knows of why.
wait_for_held_job() {
  local id tick job
  for tick in $(seq 1 600); do
    id=$(curl -fsS "http://$address/jobs" | tr -d '\n' | sed -e 's/}, *{/}\n{/g' |
      grep '"state": *"held"' | sed -n -E 's/.*"id": *"?([0-9]+).*/\1/p' | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    job=$(cups_job_id)
    if [ $((tick % 10)) -eq 0 ] && [ -n "$job" ] && cups_gave_up "$job"; then
      echo "run-main-job: the printer holds no job: cupsd is not sending job $job to it. cupsd says:" >&2
      explain_job "$job" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "run-main-job: the printer holds no job after a minute; cupsd says:" >&2
  if [ -n "$job" ]; then
    explain_job "$job" >&2
  else
    lpstat -W all -o >&2 || true
  fi
  return 1
}

# Prints one object of the host's JSON dump ("printSettings", "summary") as plain lines.
show_block() {
  awk -v name="$1" '
    $0 ~ "^    \"" name "\": \\{" { inside = 1; next }
    inside && /^    }/ { inside = 0 }
    inside { sub(/^ +/, "   "); sub(/,$/, ""); print }
  ' "$2"
}

# Writes a one-page PDF, the document the job prints: the printer must give these bytes back.
write_document() {
  local content="BT /F1 18 Tf 72 760 Td (Quarterly report: sales rose in every region.) Tj ET"
  cat > "$1" <<EOF
%PDF-1.4
1 0 obj <</Type /Catalog /Pages 2 0 R>> endobj
2 0 obj <</Type /Pages /Kids [3 0 R] /Count 1>> endobj
3 0 obj <</Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R /Resources <</Font <</F1 5 0 R>>>>>> endobj
4 0 obj <</Length ${#content}>> stream
$content
endstream endobj
5 0 obj <</Type /Font /Subtype /Type1 /BaseFont /Helvetica>> endobj
trailer <</Root 1 0 R>>
%%EOF
EOF
}

# Shows the job the printer holds; with a PIN, types it at the operator panel and compares
# the printed file with the document.
release_and_show() {
  local typed_pin=$1 id
  echo "== The printer holds the job"
  id=$(wait_for_held_job)
  show_jobs
  if [ -z "$typed_pin" ]; then
    echo "   release it with its PIN at $panel_url"
    return 0
  fi
  echo "== Typing the PIN $typed_pin at the printer's operator panel"
  curl -fsS -o /dev/null -d "pin=$typed_pin" "http://$address/jobs/$id/release"
  show_jobs
  if ! cmp -s "$document" "$out/printer/printed/$id.pdf"; then
    echo "run-main-job: the printed file $out/printer/printed/$id.pdf differs from the document" >&2
    return 1
  fi
  echo "   printed: $out/printer/printed/$id.pdf, the document byte for byte"
}

report() {
  echo "== Print settings of the job"
  show_block printSettings "$out/dump.json"
  echo "== Summary of the Job Control tab"
  show_block summary "$out/dump.json"
}

finish() {
  echo "== Operator panel: $panel_url"
  echo "== Files in $out"
  ls -1 "$out" | sed 's/^/   /'
  if [ $keep -eq 1 ]; then
    echo "== The printer keeps running for its operator panel; Ctrl-C ends it"
    wait "$sim_pid"
  fi
}

document=$out/quarterly-report.pdf
write_document "$document"

own_queue=0
if [ -n "$queue" ]; then
  echo "== Printing on the existing queue $queue"
else
  make_queue
  queue=korvane-demo
  own_queue=1
fi

if [ $force_batch -eq 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "== Opening the print dialog on printer $queue"
  echo "   On the Job Control tab: tick Job Retention, press Get Folder Names, choose a folder, type"
  echo "   a PIN, then look at the Summary tab and press Print. The printer holds the job until"
  echo "   that PIN is typed at its operator panel, $panel_url"
  status=0
  run_host --printer "$queue" \
    --set "printersAddressEditText=$address" \
    --dump --screenshot "$out/print-dialog.png" "$document" > "$out/dump.json" || status=$?
  if [ $status -eq 5 ]; then
    echo "== The dialog was cancelled: nothing printed."
    exit 0
  fi
  [ $status -eq 0 ] || exit $status
  report
  if [ $own_queue -eq 1 ]; then
    release_and_show ""
    keep=1
  fi
  finish
  exit 0
fi

echo "== Running a typical job in batch mode on printer $queue"
run_host --batch --printer "$queue" \
  --calls panelView,willShow,restore,ops,save,summary,shouldPrint \
  --set retentionCheckBox=1 \
  --set "printersAddressEditText=$address" \
  --set getFolderNameButton=1 \
  --set folderSelectionPopup=4 \
  --set folderPasswordEditText=2468 \
  --set suspendMatrix=0 \
  --set "suspendKeyEditText=$pin" \
  --set authenticationMatrix=0 \
  --set loginNameEditText=mia.jensen \
  --set passwordEditText=sesame \
  --set accountNumberEditText=31 \
  --set userNameEditText=Mia \
  --set jobNameEditText=Quarterly \
  --dump --screenshot "$out/job-control.png" "$document" > "$out/dump.json"
report
if [ $own_queue -eq 1 ]; then
  release_and_show "$pin"
fi
finish
