# Sourced by the scripts that need an InfluxDB server of their own.
# start_private_influxd DIR: starts influxd on two free ports of 127.0.0.1
# with its files under DIR, and waits until it answers. Sets influx_pid (the
# caller kills it) and influx_base (http://127.0.0.1:PORT).
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 30000))
    (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

start_private_influxd() {
  local dir=$1 http
  http=$(free_port)
  mkdir -p "$dir"
  cat >"$dir/influxdb.conf" <<CONF
reporting-disabled = true
bind-address = "127.0.0.1:$(free_port)"
[meta]
  dir = "$dir/meta"
[data]
  dir = "$dir/data"
  wal-dir = "$dir/wal"
  query-log-enabled = false
[http]
  bind-address = "127.0.0.1:$http"
  log-enabled = false
[monitor]
  store-enabled = false
CONF
  influxd -config "$dir/influxdb.conf" >"$dir/influxd.log" 2>&1 &
  influx_pid=$!
  influx_base=http://127.0.0.1:$http
  for _ in $(seq 100); do
    [[ $(curl -s -o /dev/null -w '%{http_code}' "$influx_base/ping") == 204 ]] && return 0
    sleep 0.1
  done
}
