#!/usr/bin/env bash
# The updater tests' HTTP servers, started and stopped by ctest fixtures:
#   test_server.sh start <state folder> <served folder> [port]
#   test_server.sh stop <state folder>
# nginx from Debian, run as the current user on 127.0.0.1 with a configuration written
# into <state folder> (its pid file, logs and temporary folders there too, nothing in
# /etc or /var), serves <served folder>:
#   /            the files, a Range request answered with 206
#   /norange/    the same files with every Range ignored (200 and the whole file)
#   /feed/       <served folder>/selected, a link the control server points at a feed
#                (the variants slow and slower at 256 and 96 KiB/s)
# Beside it odd_server.py answers what nginx never would. The ports go to
# <state folder>/nginx.port and <state folder>/odd.port, where the tests read them.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
action=$1 state=$2

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

write_config() {  # <port> <served folder>
  local root=$2
  mkdir -p "$state/temp"
  cat >"$state/nginx.conf" <<CONF
daemon on;
user $(id -un) $(id -gn);
worker_processes 1;
pid $state/nginx.pid;
error_log $state/error.log warn;
events { worker_connections 128; }
http {
  log_format bytes '\$request_method \$uri \$status \$body_bytes_sent "\$http_range"';
  access_log $state/access.log bytes;
  client_body_temp_path $state/temp/body;
  proxy_temp_path $state/temp/proxy;
  fastcgi_temp_path $state/temp/fastcgi;
  uwsgi_temp_path $state/temp/uwsgi;
  scgi_temp_path $state/temp/scgi;
  default_type application/octet-stream;
  types {}
  # A slow feed lets a journey stop the updater in the middle of a download.
  map \$realpath_root \$feed_rate {
    ~/slow\$ 256k;
    ~/slower\$ 96k;
    default 0;
  }
  server {
    listen 127.0.0.1:$1;
    root $root;
    location /norange/ {
      alias $root/;
      max_ranges 0;
    }
    location /feed/ {
      alias $root/selected/;
      limit_rate \$feed_rate;
    }
  }
}
CONF
}

stop_nginx() {
  [ -f "$state/nginx.pid" ] || return 0
  local pid
  pid=$(cat "$state/nginx.pid")
  # Only the nginx this script started: its pid file, and the process still nginx.
  if [ -n "$pid" ] && grep -q nginx "/proc/$pid/comm" 2>/dev/null; then
    kill -QUIT "$pid"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$state/nginx.pid"
}

stop_odd() {
  [ -f "$state/odd.pid" ] || return 0
  local pid
  pid=$(cat "$state/odd.pid")
  if [ -n "$pid" ] && grep -q python "/proc/$pid/comm" 2>/dev/null; then kill "$pid"; fi
  rm -f "$state/odd.pid"
}

start_nginx() {  # <served folder> [port]
  local port=${2:-}
  for _ in 1 2 3 4 5; do
    [ -n "${2:-}" ] || port=$(free_port)
    write_config "$port" "$1"
    if nginx -e "$state/error.log" -p "$state" -c "$state/nginx.conf" 2>>"$state/error.log"; then
      echo "$port" >"$state/nginx.port"
      return 0
    fi
    [ -z "${2:-}" ] || break  # a given port that is taken is not replaced
  done
  echo "test_server: nginx did not start; see $state/error.log" >&2
  return 1
}

case $action in
  start)
    root=$3
    stop_nginx
    stop_odd
    mkdir -p "$state" "$root"
    rm -f "$state/nginx.port" "$state/odd.port"
    start_nginx "$root" "${4:-}" || exit 1
    python3 "$here/odd_server.py" "$state" "$root" "$here/test_server.sh" </dev/null \
      >>"$state/odd.log" 2>&1 &
    echo $! >"$state/odd.pid"
    for _ in $(seq 100); do [ -s "$state/odd.port" ] && exit 0; sleep 0.1; done
    echo "test_server: odd_server.py did not start; see $state/odd.log" >&2
    exit 1
    ;;
  stop)
    stop_odd
    stop_nginx
    ;;
  stop-nginx) stop_nginx ;;
  start-nginx) start_nginx "$3" "$4" ;;
  *)
    echo "usage: test_server.sh start <state> <served folder> [port] | stop <state>" >&2
    exit 2
    ;;
esac
