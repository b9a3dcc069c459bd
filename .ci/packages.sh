# Installs those of the named Debian packages that are not installed yet. Sourced by .ci/run
# and by the scripts of each area (packaging/, editors/, web/), which also run on their own.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg -s "$p" > /dev/null 2>&1 || missing+=("$p")
  done
  [ "${#missing[@]}" -gt 0 ] || return 0
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
}
