#!/usr/bin/env bash
# The Debian package as the hospital's IT staff use it: built from the build tree, checked by
# lintian, installed with apt-get, the demo made by yjgl-admin, the installed program started
# offscreen by a member of the group yjgl up to the login window, and purged, which must leave
# nothing of the package outside the users' own folders. The package is purged at the end
# whatever happens (the machine is reused). Needs root for apt-get: skipped (77) otherwise.
#   package_install.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src="$1"
build="$2"
if [ "$(id -u)" -ne 0 ]; then
    echo "needs root (apt-get)"
    exit 77
fi
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/yjgl-package.XXXXXX")
chmod 755 "$work"
purge() {
    [ -n "${program:-}" ] && kill "$program" 2>/dev/null || true
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 purge -y -q yjgl >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap purge EXIT
# A run that stopped halfway may have left the package behind.
if dpkg-query -W -f='${Status}' yjgl 2>/dev/null | grep -q "installed\|config-files"; then
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 purge -y -q yjgl >/dev/null
fi

deb=$(bash "$src/scripts/package.sh" "$build" | tail -1)
deb=$(readlink -f "$deb")
echo "package: $deb"

# No errors; every warning kept is explained in packaging/README.md.
lintian --fail-on error "$deb" | tee "$work/lintian.txt"
for tag in $(awk '$1 == "W:" { print $3 }' "$work/lintian.txt" | sort -u); do
    grep -q -- "$tag" "$src/packaging/README.md" || fail "lintian warning $tag is not explained in packaging/README.md"
done

DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -q "$deb" >"$work/apt.txt" || {
    cat "$work/apt.txt"
    fail "apt-get install"
}
version=$(dpkg-deb -f "$deb" Version)
[ "$(yjgl-admin --version)" = "yjgl-admin $version" ] || fail "yjgl-admin --version: $(yjgl-admin --version), package $version"
[ "$(stat -c '%U:%G %a' /var/lib/yjgl)" = "root:yjgl 2775" ] || fail "/var/lib/yjgl is $(stat -c '%U:%G %a' /var/lib/yjgl)"

yjgl-admin init-demo --documents 30
settings=/var/lib/yjgl/DatabaseSet.data
[ "$(stat -c '%G %a' $settings)" = "yjgl 660" ] || fail "DatabaseSet.data is $(stat -c '%G %a' $settings)"
[ "$(stat -c '%G %a' /var/lib/yjgl/hospital.db)" = "yjgl 664" ] || fail "hospital.db is $(stat -c '%G %a' /var/lib/yjgl/hospital.db)"

# An upgrade (here the same version again) keeps the shared settings.
before=$(md5sum <$settings)
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -q --reinstall "$deb" >/dev/null
[ "$(md5sum <$settings)" = "$before" ] || fail "the upgrade changed DatabaseSet.data"

# A member of the group yjgl (nobody, with yjgl added) starts the installed program.
home="$work/home"
mkdir -p "$home"
chown nobody "$home"
setpriv --reuid=nobody --regid=nogroup --groups=yjgl env -i PATH=/usr/bin:/bin HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen YJGL_SQL_TRACE="$home/trace" LANG=C.UTF-8 \
    yjgl >"$work/yjgl.txt" 2>&1 &
program=$!
# At the login window: the connection is open (the date formats went to the user's own
# registry store) and three statements went out: the unit name, then the login window's user
# list and the server's clock.
statements() { wc -l <"$home/trace" 2>/dev/null || echo 0; }
for _ in $(seq 1 60); do
    if [ -f "$home/.config/yjgl/registry.dat" ] && [ "$(statements)" -ge 3 ]; then
        break
    fi
    sleep 0.5
done
kill -0 "$program" 2>/dev/null || {
    cat "$work/yjgl.txt"
    fail "yjgl ended"
}
grep -q sShortDate "$home/.config/yjgl/registry.dat" || fail "no registry store in the user's folder"
[ "$(statements)" -ge 3 ] || {
    cat "$work/yjgl.txt"
    fail "yjgl did not reach the login window"
}
[ ! -e /var/lib/yjgl/registry.dat ] || fail "per-user files in the shared folder"
kill "$program"
wait "$program" 2>/dev/null || true
program=

# The purge leaves nothing of the package outside the users' folders.
dpkg -L yjgl >"$work/files.txt"
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 purge -y -q yjgl >/dev/null
while read -r f; do
    if [ -f "$f" ] || [ -L "$f" ]; then fail "left after purge: $f"; fi
done <"$work/files.txt"
[ ! -e /var/lib/yjgl ] || fail "left after purge: /var/lib/yjgl"
[ ! -e /usr/share/yjgl ] || fail "left after purge: /usr/share/yjgl"
! getent group yjgl >/dev/null || fail "left after purge: the group yjgl"
left=$(find /etc /usr /var/lib /opt -xdev -path /usr/local -prune -o -name '*yjgl*' -print 2>/dev/null)
[ -z "$left" ] || fail "left after purge: $left"
[ -f "$home/.config/yjgl/registry.dat" ] || fail "the purge took a user's own files"
echo "package built, checked, installed, started and purged"
