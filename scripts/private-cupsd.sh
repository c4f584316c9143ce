#!/usr/bin/env bash
# A cupsd of our own, for a machine whose CUPS server we may not change: it listens on a free
# loopback port; its configuration and logs live in DIR, and the folders its filters, backends
# and driver program use (ServerRoot with the queues' PPDs, the spool, ServerBin with the
# system's filters and backends and copies of the project's filter and driver program for
# lpadmin -m korvane:///rk880.ppd, the seal key pair) in a folder of their own under
# ${TMPDIR:-/tmp}, which stop removes. The filters and the driver program find the key pair
# through KORVANE_JOB_SEAL_DIR, as an installed server's in /etc/korvane.
#
#   scripts/private-cupsd.sh start DIR FILTER   starts it; prints "cupsd on 127.0.0.1:PORT"
#   scripts/private-cupsd.sh stop DIR           stops it and waits until it is gone
#
# Run as root it drops the filters to user lp, as the system's cupsd does: lp may not enter DIR
# (a checkout in a home folder of mode 0700), so their folder is open to every user. Run as
# another user everything runs as that user.
set -euo pipefail

usage() {
  sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//' >&2
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

# The user cupsd runs its children as: lp when root starts it, else whoever starts it.
child_user() {
  if [ "$(id -u)" -eq 0 ]; then echo lp; else id -un; fi
}

# Gives the server the project's driver program, built next to the filter, as cupsd's
# driver folder holds it for lpinfo -m and lpadmin -m. A copy: user lp runs it.
lay_out_driver() {
  local bin=$1 filter=$2 driver
  driver=$(dirname "$filter")/driver/korvane
  [ -x "$driver" ] || { echo "private-cupsd: no driver program at $driver" >&2; exit 1; }
  install -m 755 "$driver" "$bin/driver/korvane"
}

# Makes the server's seal key pair in FOLDER with the tool built next to the filter: the
# private key readable by the filters' user alone (group lp when run as root).
provide_seal_keys() {
  local folder=$1 filter=$2
  "$(dirname "$filter")/korvane-seal-key" --create "$folder" > /dev/null
}

# Makes the folder for the server's children (linked from DIR/children) and prints its path.
# Every user may enter it, as lp must; what lies in it is cupsd's to guard, as in /var/spool/cups.
make_children_folder() {
  local dir=$1 folder
  folder=$(mktemp -d "${TMPDIR:-/tmp}/korvane-cupsd.XXXXXX")
  chmod 755 "$folder"
  ln -sfn "$folder" "$dir/children"
  if [ "$(id -u)" -eq 0 ] && ! setpriv --reuid=lp --regid=lp --init-groups test -x "$folder"; then
    echo "private-cupsd: user lp, who runs cupsd's filters, cannot enter $folder: set TMPDIR to a folder every user can enter, such as /tmp" >&2
    return 1
  fi
  echo "$folder"
}

# Removes the children's folder of the server in DIR, if it made one.
remove_children_folder() {
  local dir=$1 folder
  [ -L "$dir/children" ] || return 0
  folder=$(readlink "$dir/children")
  case $(basename "$folder") in
    korvane-cupsd.??????) rm -rf --one-file-system "$folder" ;;
  esac
  rm -f "$dir/children"
}

# Lays out ServerBin: every folder of the system's, linked entry by entry, and a copy of our
# filter (a link into a checkout would lead lp into a folder it may not enter).
lay_out_server_bin() {
  local bin=$1 filter=$2 system_bin folder entry
  system_bin=$(cups-config --serverbin 2>/dev/null || echo /usr/lib/cups)
  for folder in backend cgi-bin daemon filter monitor notifier driver; do
    mkdir -p "$bin/$folder"
    [ -d "$system_bin/$folder" ] || continue
    for entry in "$system_bin/$folder"/*; do
      [ -e "$entry" ] && ln -sf "$entry" "$bin/$folder/"
    done
  done
  install -m 755 "$filter" "$bin/filter/korvane-jobcontrol"
}

# Writes cupsd.conf and cups-files.conf in DIR for a server on PORT whose children's folders are
# under CHILDREN. The logs are the starting user's alone: a failed job's log holds its options.
write_configuration() {
  local dir=$1 children=$2 port=$3 user group
  user=$(child_user)
  if [ "$(id -u)" -eq 0 ]; then group=lp; else group=$(id -gn); fi
  cat > "$dir/cupsd.conf" <<EOF_CONF
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
EOF_CONF
  cat > "$dir/cups-files.conf" <<EOF_CONF
ServerRoot $children/etc
ServerBin $children/serverbin
DataDir $(cups-config --datadir 2>/dev/null || echo /usr/share/cups)
RequestRoot $children/spool
TempDir $children/spool/tmp
StateDir $children/run
CacheDir $children/cache
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
LogFilePerm 0600
Printcap $children/run/printcap
User $user
Group $group
SystemGroup $(id -gn)
SetEnv KORVANE_JOB_SEAL_DIR $children/seal
EOF_CONF
}

# Starts the server in the background and waits until it takes connections.
start() {
  local dir=$1 filter=$2 children port pid
  [ -x "$filter" ] || { echo "private-cupsd: no filter at $filter" >&2; exit 1; }
  command -v cupsd >/dev/null || { echo "private-cupsd: cupsd is not installed (scripts/setup-debian.sh)" >&2; exit 1; }
  mkdir -p "$dir/log"
  remove_children_folder "$dir"
  children=$(make_children_folder "$dir") || exit 1
  mkdir -p "$children"/{etc,spool/tmp,run,cache}
  chmod 755 "$children"/{etc,spool,run,cache}
  chmod 1777 "$children/spool/tmp"
  lay_out_server_bin "$children/serverbin" "$filter"
  lay_out_driver "$children/serverbin" "$filter"
  provide_seal_keys "$children/seal" "$filter"
  port=$(free_port) || { echo "private-cupsd: no free port on 127.0.0.1" >&2; exit 1; }
  write_configuration "$dir" "$children" "$port"
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

# Stops the server started in DIR, if it still runs, and removes its children's folder.
stop() {
  local dir=$1 pid
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    if kill "$pid" 2>/dev/null; then
      for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/cupsd.pid"
  fi
  remove_children_folder "$dir"
}

# cupsd lives in /usr/sbin, which a user's PATH lacks.
PATH=$PATH:/usr/sbin:/sbin

case ${1:-} in
  start) [ $# -eq 3 ] || usage; start "$(realpath -m "$2")" "$(realpath "$3")" ;;
  stop) [ $# -eq 2 ] || usage; stop "$(realpath -m "$2")" ;;
  *) usage ;;
esac
