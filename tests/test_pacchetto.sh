#!/usr/bin/env bash
# The Debian package of this build, made in a scratch folder and unpacked into a
# scratch root: its files, its control data, the program it carries, the user and
# folder its snippets make, and the units as systemd reads them.
# Usage: test_pacchetto.sh BUILD [SANITIZE]   (QUIMBO_PROVA_DPKG=1: also dpkg -i / -r here)
set -euo pipefail
build=$1
[ "${2:-0}" = 1 ] && { echo "SKIP: il pacchetto si fa senza sanitizer"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
falla() { echo "FALLITO: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp" > "$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; falla cpack; }
deb=$(echo "$tmp"/quimbo_*.deb)
[ -f "$deb" ] || falla "nessun quimbo_*.deb"
r=$tmp/radice
dpkg-deb -x "$deb" "$r"
dpkg-deb -e "$deb" "$tmp/control"

for f in usr/bin/quimbo usr/bin/simcassa; do [ -x "$r/$f" ] || falla "$f"; done
for f in etc/quimbo/quimbo.ini usr/share/man/man1/quimbo.1 usr/lib/systemd/system/quimbo.service \
  usr/lib/systemd/system/quimbo@.service usr/lib/sysusers.d/quimbo.conf usr/lib/tmpfiles.d/quimbo.conf \
  etc/logrotate.d/quimbo; do
  [ -s "$r/$f" ] || falla "$f"
done
# libsystemd0: a program built without it never tells the Type=notify units it is ready.
dipende=$(dpkg-deb -f "$deb" Depends)
for p in libqt6serialport6 libsystemd0; do grep -qE "(^|, )$p( |,|$)" <<< "$dipende" || falla "Depends: $dipende"; done
for f in /etc/quimbo/quimbo.ini /etc/logrotate.d/quimbo; do grep -qx "$f" "$tmp/control/conffiles" || falla "conffile $f"; done
for s in postinst prerm postrm; do [ -x "$tmp/control/$s" ] && sh -n "$tmp/control/$s" || falla "$s"; done
[ "$("$r/usr/bin/quimbo" --version)" = "quimbo $(dpkg-deb -f "$deb" Version)" ] || falla "quimbo --version"

command -v systemd-analyze > /dev/null || { echo "SKIP: manca systemd (systemd-analyze, -sysusers, -tmpfiles)"; exit 77; }
# The snippets, applied to the scratch root: a user quimbo in dialout, homed in its folder.
systemd-sysusers --root="$r" quimbo.conf > /dev/null 2>&1 || falla systemd-sysusers
systemd-tmpfiles --root="$r" --create quimbo.conf || falla systemd-tmpfiles
uid=$(awk -F: '$1 == "quimbo" && $6 == "/var/spool/quimbo" { print $3 }' "$r/etc/passwd")
gid=$(awk -F: '$1 == "dialout" && $4 ~ /(^|,)quimbo(,|$)/ { print $3 }' "$r/etc/group")
[ -n "$uid" ] && [ -n "$gid" ] || falla "utente quimbo in dialout con casa /var/spool/quimbo"
[ "$(stat -c %u:%g:%a "$r/var/spool/quimbo")" = "$uid:$gid:2770" ] || falla "/var/spool/quimbo"

# Units: with the host's targets beside them, every setting must parse and
# ExecStart must name the program inside the package.
cp /usr/lib/systemd/system/*.target "$r/usr/lib/systemd/system/"
systemd-analyze verify --man=no --recursive-errors=no --root="$r" quimbo.service quimbo@cassa1.service ||
  falla "systemd-analyze verify"

if [ "${QUIMBO_PROVA_DPKG:-}" = 1 ]; then
  dpkg -i "$deb"
  id -nG quimbo | grep -qw dialout || falla "quimbo non e' in dialout"
  [ "$(stat -c %U:%G:%a /var/spool/quimbo)" = quimbo:dialout:2770 ] || falla "/var/spool/quimbo installato"
  dpkg -r quimbo
fi
echo "Pacchetto $(basename "$deb"): OK"
