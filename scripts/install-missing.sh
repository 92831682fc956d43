# Sourced by the scripts that install what they need.
# install_missing [apt-option...] [package...]: installs the packages as root;
# otherwise prints the line to run and ends the calling script.
install_missing() {
  local options=()
  while [[ ${1:-} == -* ]]; do
    options+=("$1")
    shift
  done
  (($#)) || return 0
  if [[ $(id -u) -eq 0 ]]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${options[@]}" "$@"
  else
    echo "Missing: $*. Install them with:" >&2
    echo "  sudo apt-get install -y $*" >&2
    exit 1
  fi
}
