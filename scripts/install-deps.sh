#!/usr/bin/env bash
# Installs whatever Debian package of deps/debian-packages.txt (or the list given) is missing; does
# nothing when all are there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
list=${1:-$here/deps/debian-packages.txt}
mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$list")
missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
