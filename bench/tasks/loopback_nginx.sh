# Sourced by the benchmarks' scripts: a folder of the run's own (DIR),
# removed at exit with nginx and Wine stopped, and Debian's nginx serving
# DIR/www on a free loopback port.

# Makes DIR and stops what the run started when the script exits.
make_bench_folder() {
  DIR=$(mktemp -d)
  NGINX=""
  trap end_bench_run EXIT
}

end_bench_run() {
  if [ -n "$NGINX" ]; then kill "$NGINX" 2>/dev/null || true; wait "$NGINX" 2>/dev/null || true; fi
  rm -rf "$DIR"
  stop_wine
}

# nginx with a configuration written into DIR. Sets PORT and NGINX (its
# process id) and returns once nginx answers for the file named as the
# first argument.
start_loopback_nginx() {
  local probe=$1
  # nginx's workers run as nobody when started as root: they must reach the files.
  chmod 755 "$DIR"
  mkdir -p "$DIR/tmp"
  PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat >"$DIR/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $DIR/nginx.pid;
error_log $DIR/nginx-error.log warn;
events { worker_connections 64; }
http {
    access_log off;
    client_body_temp_path $DIR/tmp/body;
    proxy_temp_path $DIR/tmp/proxy;
    fastcgi_temp_path $DIR/tmp/fastcgi;
    uwsgi_temp_path $DIR/tmp/uwsgi;
    scgi_temp_path $DIR/tmp/scgi;
    default_type application/octet-stream;
    sendfile on;
    server {
        listen 127.0.0.1:$PORT;
        location / { root $DIR/www; }
    }
}
CONF
  nginx -p "$DIR" -c "$DIR/nginx.conf" -e "$DIR/nginx-error.log" &
  NGINX=$!
  for _ in $(seq 1 100); do curl -s -o /dev/null -r 0-0 "http://127.0.0.1:$PORT/$probe" && break; sleep 0.05; done
}
