#!/usr/bin/env bash
# Checks the Debian package that `make package` left in DIR: its control fields, the files it holds, and
# lintian, which may warn (the warnings are printed) but must find no error.
# Usage: check-package.sh DIR
set -euo pipefail
deb=$(ls -t "$1"/quillon_*.deb | head -1)
id=org.quillon.Quillon
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Section Priority Maintainer Depends Recommends
depends=$(dpkg-deb --field "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
# Computed from the programs' libraries, plus the Qt platform plugins that Qt loads at run time.
for dep in libc6 libstdc++6 libssl3 libqt6widgets6 qt6-qpa-plugins; do
  grep -qxF "$dep" <<<"$depends" || fail "Depends lacks $dep"
done

listing=$(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|')
for file in /usr/bin/quillon /usr/bin/quillon-cli /usr/share/applications/$id.desktop \
  /usr/share/metainfo/$id.metainfo.xml /usr/share/icons/hicolor/{16x16,32x32,48x48}/apps/$id.png \
  /usr/share/man/man1/quillon.1.gz /usr/share/man/man1/quillon-cli.1.gz \
  /usr/share/bash-completion/completions/quillon-cli /usr/share/doc/quillon/copyright \
  /usr/share/doc/quillon/changelog.gz; do
  grep -qx "$file" <<<"$listing" || fail "the package lacks $file"
done

echo "== lintian"
report=$(lintian --display-info --pedantic "$deb" 2>&1 | grep -v "running with root privileges" || true)
echo "${report:-(nothing to report)}"
grep -q '^E: ' <<<"$report" && fail "lintian reports errors"
[ "$failures" -eq 0 ] && echo "package checked: $deb"
exit $((failures > 0))
