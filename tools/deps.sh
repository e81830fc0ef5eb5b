#!/bin/sh
# Installs what the build needs and is missing (Debian, as root or with sudo). The list is
# tools/packages.txt.
set -e
cd "$(dirname "$0")/.."
PKGS="$(sed -e 's/#.*//' tools/packages.txt | awk 'NF { print $1 }')"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
