#!/usr/bin/env bash
# A cupsd of our own, for a machine whose CUPS server we may not change: its configuration,
# spool, cache and logs live in one folder, it listens on a free loopback port, and its
# ServerBin holds the system's filters and backends plus the project's filter and driver
# program (lpadmin -m korvane:///rk880.ppd). Its seal key pair lives in DIR/seal, which its
# filters and driver program find through KORVANE_JOB_SEAL_DIR, as an installed server's in
# /etc/korvane.
#
#   scripts/private-cupsd.sh start DIR FILTER   starts it; prints "cupsd on 127.0.0.1:PORT"
#   scripts/private-cupsd.sh stop DIR           stops it and waits until it is gone
#
# Run as root it drops the filters to user lp, as the system's cupsd does; run as another user
# everything runs as that user.
set -euo pipefail

usage() {
  sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

# A TCP port on 127.0.0.1 that nothing listens on at the moment of asking.
free_port() {
  local port
  for port in $(shuf -i 20000-60000 -n 50); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

# Lays out ServerBin: every folder of the system's, linked entry by entry, and our filter.
lay_out_server_bin() {
  local dir=$1 filter=$2 system_bin folder entry
  system_bin=$(cups-config --serverbin 2>/dev/null || echo /usr/lib/cups)
  for folder in backend cgi-bin daemon filter monitor notifier driver; do
    mkdir -p "$dir/serverbin/$folder"
    [ -d "$system_bin/$folder" ] || continue
    for entry in "$system_bin/$folder"/*; do
      [ -e "$entry" ] && ln -sf "$entry" "$dir/serverbin/$folder/"
    done
  done
  ln -sf "$filter" "$dir/serverbin/filter/korvane-jobcontrol"
}

# Gives the server the project's driver program, built next to the filter, as cupsd's
# driver folder holds it for lpinfo -m and lpadmin -m. A copy: user lp runs it.
lay_out_driver() {
  local dir=$1 filter=$2 driver
  driver=$(dirname "$filter")/driver/korvane
  [ -x "$driver" ] || { echo "private-cupsd: no driver program at $driver" >&2; exit 1; }
  cp "$driver" "$dir/serverbin/driver/korvane"
  chmod 755 "$dir/serverbin/driver/korvane"
}

# Makes the server's seal key pair in DIR/seal with the tool built next to the filter: the
# private key readable by the filters' user alone (group lp when run as root).
provide_seal_keys() {
  local dir=$1 filter=$2
  "$(dirname "$filter")/korvane-seal-key" --create "$dir/seal" > /dev/null
}

# Writes cupsd.conf and cups-files.conf for a server on PORT whose folders are under DIR.
write_configuration() {
  local dir=$1 port=$2 user group
  if [ "$(id -u)" -eq 0 ]; then
    user=lp group=lp
  else
    user=$(id -un) group=$(id -gn)
  fi
  cat > "$dir/cupsd.conf" <<EOF
Listen 127.0.0.1:$port
LogLevel warn
Browsing Off
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  cat > "$dir/cups-files.conf" <<EOF
ServerRoot $dir/etc
ServerBin $dir/serverbin
DataDir $(cups-config --datadir 2>/dev/null || echo /usr/share/cups)
RequestRoot $dir/spool
TempDir $dir/spool/tmp
StateDir $dir/run
CacheDir $dir/cache
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/run/printcap
User $user
Group $group
SystemGroup $(id -gn)
SetEnv KORVANE_JOB_SEAL_DIR $dir/seal
EOF
}

# Starts the server in the background and waits until it takes connections.
start() {
  local dir=$1 filter=$2 port pid
  [ -x "$filter" ] || { echo "private-cupsd: no filter at $filter" >&2; exit 1; }
  command -v cupsd >/dev/null || { echo "private-cupsd: cupsd is not installed (scripts/setup-debian.sh)" >&2; exit 1; }
  mkdir -p "$dir"/{etc,spool/tmp,run,cache,log}
  chmod 755 "$dir" "$dir"/{etc,spool,run,cache,log}
  chmod 1777 "$dir/spool/tmp"
  lay_out_server_bin "$dir" "$filter"
  lay_out_driver "$dir" "$filter"
  provide_seal_keys "$dir" "$filter"
  port=$(free_port) || { echo "private-cupsd: no free port on 127.0.0.1" >&2; exit 1; }
  write_configuration "$dir" "$port"
  cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  pid=$!
  echo "$pid" > "$dir/cupsd.pid"
  for _ in $(seq 1 150); do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "private-cupsd: cupsd stopped at once:" >&2
      cat "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null >&2 || true
      exit 1
    fi
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "127.0.0.1:$port" > "$dir/server"
      echo "cupsd on 127.0.0.1:$port"
      return 0
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  echo "private-cupsd: cupsd did not listen on 127.0.0.1:$port within 15 s" >&2
  exit 1
}

# Stops the server started in DIR, if it still runs.
stop() {
  local dir=$1 pid
  [ -f "$dir/cupsd.pid" ] || return 0
  pid=$(cat "$dir/cupsd.pid")
  if kill "$pid" 2>/dev/null; then
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$dir/cupsd.pid"
}

case ${1:-} in
  start) [ $# -eq 3 ] || usage; start "$(realpath -m "$2")" "$(realpath "$3")" ;;
  stop) [ $# -eq 2 ] || usage; stop "$(realpath -m "$2")" ;;
  *) usage ;;
esac
