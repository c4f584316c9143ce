#!/usr/bin/env bash
# The main job: builds the project, starts the printer stand-in (korvane-mfp-sim) on loopback
# with a few folders, and prints a document with the Job Control tab.
#
# With a display (DISPLAY or WAYLAND_DISPLAY) the print dialog opens: the printer's address
# already points at the stand-in, so "Get Folder Names" lists its folders. Without one, a
# typical job runs in batch mode: retention "hold only" with a PIN, login authentication, the
# folders fetched from the stand-in and the protected folder "Finance" chosen with its password.
# Either way the print settings and the summary the tab made are printed, and pictures land in
# the output folder.
#
# Nothing is sent to CUPS unless a queue is named with --printer.
#
#   scripts/run-main-job.sh [--printer QUEUE] [--batch] [--out DIR]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
out=$build/main-job
queue=
force_batch=0

while [ $# -gt 0 ]; do
  case $1 in
    --printer|-P) queue=${2:?--printer needs a queue name}; shift 2 ;;
    --batch) force_batch=1; shift ;;
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run-main-job: unknown argument $1 (try --help)" >&2; exit 2 ;;
  esac
done

echo "== Building (this takes a few minutes the first time)"
BUILD_DIR=$build "$top/scripts/build.sh"
bin=$build/bin

rm -rf "$out"
mkdir -p "$out"
# The tab remembers locked values per user; the demo keeps its own, so every run starts alike.
export XDG_CONFIG_HOME=$out/config

echo "== Starting the printer stand-in"
"$bin/korvane-mfp-sim" --port 0 --folder Reports --folder Finance:protected --folder Projects \
  > "$out/mfp-sim.out" 2> "$out/mfp-sim.err" &
sim_pid=$!
stop_sim() { kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; }
trap stop_sim EXIT
trap 'exit 130' INT TERM
port=
for _ in $(seq 1 100); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$out/mfp-sim.out")
  [ -n "$port" ] && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "run-main-job: korvane-mfp-sim stopped: $(cat "$out/mfp-sim.err")" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "run-main-job: korvane-mfp-sim did not say which port it listens on" >&2
  exit 1
fi
address=127.0.0.1:$port
echo "   folders Reports, Finance (protected) and Projects at http://$address/korvane-mfp-srv"

# Without a queue named, a CUPS queue of this model is used for the dialog if there is one (its
# PPD has the ARDocFiling option), else the built-in sample printer; either way as a dry run.
send=(--dry-run)
if [ -n "$queue" ]; then
  send=()
else
  for candidate in $(lpstat -e 2>/dev/null || true); do
    if lpoptions -p "$candidate" -l 2>/dev/null | grep -q '^ARDocFiling'; then
      queue=$candidate
      echo "   found CUPS queue $queue of this model; a dry run (add --printer $queue to print on it)"
      break
    fi
  done
  queue=${queue:-sample}
fi

document=$out/quarterly-report.txt
cat > "$document" <<'EOF'
Quarterly report

Sales rose in every region. The figures are held in the printer until the PIN is typed there.
EOF

# Prints one object of the host's JSON dump ("printSettings", "summary") as plain lines.
show_block() {
  awk -v name="$1" '
    $0 ~ "^    \"" name "\": \\{" { inside = 1; next }
    inside && /^    }/ { inside = 0 }
    inside { sub(/^ +/, "   "); sub(/,$/, ""); print }
  ' "$2"
}

report() {
  echo "== Print settings of the job"
  show_block printSettings "$out/dump.json"
  echo "== Summary of the Job Control tab"
  show_block summary "$out/dump.json"
  echo "== Files in $out"
  ls -1 "$out" | sed 's/^/   /'
}

if [ $force_batch -eq 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "== Opening the print dialog on printer $queue"
  echo "   On the Job Control tab: tick Job Retention, press Get Folder Names, choose a folder, type"
  echo "   a PIN, then look at the Summary tab and press Print."
  status=0
  "$bin/korvane-print" --printer "$queue" "${send[@]}" \
    --set "printersAddressEditText=$address" \
    --dump --screenshot "$out/print-dialog.png" "$document" > "$out/dump.json" || status=$?
  if [ $status -eq 5 ]; then
    echo "== The dialog was cancelled: nothing printed."
    exit 0
  fi
  [ $status -eq 0 ] || exit $status
  report
  exit 0
fi

echo "== Running a typical job in batch mode on printer $queue"
"$bin/korvane-print" --batch --printer "$queue" "${send[@]}" \
  --calls panelView,willShow,restore,ops,save,summary,shouldPrint \
  --set retentionCheckBox=1 \
  --set "printersAddressEditText=$address" \
  --set getFolderNameButton=1 \
  --set folderSelectionPopup=4 \
  --set folderPasswordEditText=2468 \
  --set suspendMatrix=0 \
  --set suspendKeyEditText=4711 \
  --set authenticationMatrix=0 \
  --set loginNameEditText=mia.jensen \
  --set passwordEditText=sesame \
  --set userNameEditText=Mia \
  --set jobNameEditText=Quarterly \
  --dump --screenshot "$out/job-control.png" "$document" > "$out/dump.json"
report
