#!/usr/bin/env bash
# Installs a build tree into a scratch DESTDIR and checks what a desktop and a shell find there:
# exactly the files listed below, a valid launcher and metainfo, icons of the sizes their folders
# claim, manual pages that render cleanly (quillon-cli's naming every option of its --help), one
# version everywhere, and a completion that offers the forms after -f.
# Usage: check-install.sh BUILD_DIR VERSION gui|cli
set -euo pipefail
build=$1 version=$2 kind=$3
id=org.quillon.Quillon
prefix=/usr/local
export LC_ALL=C.UTF-8 MANWIDTH=200

dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR=$dest cmake --install "$build" --prefix "$prefix" >/dev/null
root=$dest$prefix

expected=(
  bin/quillon-cli
  share/man/man1/quillon-cli.1.gz
  share/bash-completion/completions/quillon-cli
  share/doc/quillon/copyright
  share/doc/quillon/changelog.gz
)
if [ "$kind" = gui ]; then
  expected+=(
    bin/quillon
    share/man/man1/quillon.1.gz
    share/applications/$id.desktop
    share/metainfo/$id.metainfo.xml
    share/icons/hicolor/16x16/apps/$id.png
    share/icons/hicolor/32x32/apps/$id.png
    share/icons/hicolor/48x48/apps/$id.png
  )
fi
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . -type f | sed 's|^\./||' | sort) ||
  fail "the installed files differ from the list (< missing, > unexpected)"
for program in "$root"/bin/*; do
  [ -x "$program" ] || fail "$program is not executable"
done

# Manual pages: no warnings from the formatter; quillon-cli's page holds every long option of --help.
for page in "$root"/share/man/man1/*.1.gz; do
  warnings=$(man --warnings -l "$page" 2>&1 >/dev/null) || fail "man cannot render $page"
  [ -z "$warnings" ] || fail "man warns about $page: $warnings"
done
cli_page=$(man -l "$root/share/man/man1/quillon-cli.1.gz" 2>/dev/null)
for option in $("$root/bin/quillon-cli" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
  grep -qF -- "$option" <<<"$cli_page" || fail "quillon-cli(1) does not mention $option"
done

# One version: the program, its manual page, the package changelog (and the metainfo's newest release).
"$root/bin/quillon-cli" --version | grep -qx "quillon-cli $version" || fail "quillon-cli --version is not $version"
grep -qF "quillon-cli $version" <<<"$cli_page" || fail "quillon-cli(1) does not carry version $version"
zcat "$root/share/doc/quillon/changelog.gz" | head -1 | grep -qF "quillon ($version)" ||
  fail "the changelog's newest entry is not $version"

if [ "$kind" = gui ]; then
  desktop=$root/share/applications/$id.desktop
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  # The program opens no file given on its command line, so the launcher passes none.
  grep -E '^Exec=' "$desktop" | grep -qE '%[fFuU]' && fail "the launcher passes file arguments"
  grep -qx "Icon=$id" "$desktop" || fail "the launcher's icon is not $id"
  metainfo=$root/share/metainfo/$id.metainfo.xml
  verdict=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli rejects $metainfo: $verdict"
  grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"
  grep -m1 '<release ' "$metainfo" | grep -qF "version=\"$version\"" || fail "the metainfo's newest release is not $version"
  man -l "$root/share/man/man1/quillon.1.gz" 2>/dev/null | grep -qF "Quillon $version" ||
    fail "quillon(1) does not carry version $version"
  for size in 16 32 48; do
    # Width and height are the two big-endian words after the PNG signature and the IHDR header.
    read -r -a ihdr < <(od -An -tu1 -j16 -N8 "$root/share/icons/hicolor/${size}x${size}/apps/$id.png")
    width=$(((ihdr[2] << 8) | ihdr[3])) height=$(((ihdr[6] << 8) | ihdr[7]))
    [ "$width/$height" = "$size/$size" ] || fail "the ${size}x${size} icon is ${width}x${height}"
  done
fi

# Completion, as bash-completion loads it: forms after -f, and after -c only the ciphers of the form.
complete_line() {
  bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" && shift &&
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" && COMP_POINT=${#COMP_LINE} &&
    _quillon_cli "$1" "${@: -1}" "${@: -2:1}" 2>/dev/null; echo "${COMPREPLY[*]}"' \
    _ "$root/share/bash-completion/completions/quillon-cli" "$@"
}
forms=$(complete_line quillon-cli -f "")
for form in Certificate CRL PrivateKey 'PKCS#12' 'PKCS#7' 'PKCS#8' CertReq p12; do
  grep -qw -- "$form" <<<"$forms" || fail "completion after -f lacks $form (offered: $forms)"
done
ciphers=$(complete_line quillon-cli -f p8 -o out.p8 -c "")
[ "$ciphers" = "des64 rc2-40 none aes256" ] || fail "completion after -f p8 -c offers: $ciphers"

[ "$failures" -eq 0 ] && echo "installed files checked in $dest$prefix"
exit $((failures > 0))
