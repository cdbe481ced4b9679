#!/usr/bin/env bash
# Runs the real scripts/setup against simulated machines: a bare one, half set-up ones, a
# complete one, and ones where a step fails for a reason a person can fix. Stand-ins for
# dpkg-query, dpkg, apt-get, mount, id and sudo come first on PATH; they answer from the
# simulated machine's state and record what would run. TORV_SETUP_ROOT puts /etc/apt,
# /etc/os-release, /proc/sys/fs/binfmt_misc and /opt/torv-deps into the simulated machine, so
# nothing is installed and the real /etc and /proc stay untouched.
#   setup_test.sh <repository>
set -u
repo=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

passed() { # passed <description>: whether the command before succeeded
    if [ $? -eq 0 ]; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}
check() { # check <description> <command...>
    local what=$1
    shift
    "$@"
    passed "$what"
}

# The stand-ins. $SIM is the simulated machine: root/ is its "/", state/ what it has installed,
# log one line per command that would change it (sudo is recorded and then runs the command).
stubs=$work/stubs
mkdir -p "$stubs"
cat >"$stubs/dpkg-query" <<'EOF'
#!/bin/bash
# -W -f=<format> <package>...: "*" in state/installed stands for every package but those in
# state/missing.
printf '%s\n' "${@:3}" | sort >"$SIM/queried"
printf '%s\n' "${@:3}" | awk -v state="$SIM/state" '
    BEGIN {
        while ((getline line <(state "/installed")) > 0) have[line] = 1
        while ((getline line <(state "/missing")) > 0) gone[line] = 1
    }
    {
        full = $1 ~ /:/ ? $1 : $1 ":amd64"
        name = full
        sub(/:.*/, "", name)
        if (!($1 in gone) && ("*" in have || full in have || (name ":all") in have)) {
            print "install ok installed " full
        } else {
            print "dpkg-query: no packages found matching " $1 >"/dev/stderr"
            status = 1
        }
    }
    END { exit status }'
EOF
cat >"$stubs/dpkg" <<'EOF'
#!/bin/bash
case "$1" in
--print-architecture) echo amd64 ;;
--print-foreign-architectures) cat "$SIM/state/foreign" ;;
--add-architecture) echo "dpkg $*" >>"$SIM/log"; echo "$2" >>"$SIM/state/foreign" ;;
*) echo "dpkg $*" >>"$SIM/log" ;;
esac
EOF
cat >"$stubs/apt-get" <<'EOF'
#!/bin/bash
args=("$@") parts="" command=""
while [ $# -gt 0 ]; do
    case "$1" in
    -o) case "$2" in Dir::Etc::SourceParts=*) parts=${2#*=} ;; esac; shift 2 ;;
    -*) shift ;;
    *) command=$1; shift; break ;;
    esac
done
echo "apt-get ${args[*]}" >>"$SIM/log"
fails() { grep -qx "$1" "$SIM/state/fail" 2>/dev/null; }
case "$command" in
update)
    fails update && { echo "E: Failed to fetch: Temporary failure resolving" >&2; exit 100; }
    [ -n "$parts" ] && cat "$parts"/* >>"$SIM/bench-sources"
    ;;
install)
    echo "DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-}" >>"$SIM/log"
    for p in "$@"; do
        case "$p" in -*) ;; *:*) echo "$p" ;; *) echo "$p:amd64" ;; esac
    done >>"$SIM/state/installed"
    ;;
source)
    mkdir -p benchmark-1.7.1
    echo "project(benchmark)" >benchmark-1.7.1/CMakeLists.txt
    tar -czf benchmark_1.7.1.orig.tar.gz benchmark-1.7.1
    rm -rf benchmark-1.7.1
    fails tarball && echo "not a tarball" >benchmark_1.7.1.orig.tar.gz
    ;;
esac
exit 0
EOF
cat >"$stubs/mount" <<'EOF'
#!/bin/bash
echo "mount $*" >>"$SIM/log"
grep -qx mount "$SIM/state/fail" 2>/dev/null && { echo "mount: permission denied" >&2; exit 32; }
mkdir -p "$4" && : >"$4/register"
EOF
cat >"$stubs/id" <<'EOF'
#!/bin/bash
cat "$SIM/state/uid"
EOF
cat >"$stubs/sudo" <<'EOF'
#!/bin/bash
echo "sudo $*" >>"$SIM/log"
exec "$@"
EOF
chmod +x "$stubs"/*

# PATH of a machine without sudo: the stand-ins and the real commands, but no sudo.
nosudo=$work/nosudo
mkdir -p "$nosudo"
for d in /usr/local/sbin /usr/local/bin /usr/sbin /usr/bin; do
    ln -s "$d"/* "$nosudo"/ 2>/dev/null
done
ln -sf "$stubs"/* "$nosudo"/
rm -f "$nosudo/sudo"

DEBIAN_SOURCES='Types: deb
URIs: http://mirror.example.net/debian
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://mirror.example.net/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
QEMU_I386=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F'

# machine <name> [bare|complete]: a new simulated machine, $SIM. Bare: no packages, no i386
# architecture, binfmt_misc not mounted, no benchmark sources. Complete: all of them.
machine() {
    export SIM=$work/$1
    mkdir -p "$SIM/state" "$SIM/root/etc/apt/sources.list.d" "$SIM/root/proc/sys/fs/binfmt_misc" \
        "$SIM/tmp"
    : >"$SIM/log"
    echo 0 >"$SIM/state/uid"
    echo VERSION_CODENAME=bookworm >"$SIM/root/etc/os-release"
    printf '%s\n' "$DEBIAN_SOURCES" >"$SIM/root/etc/apt/sources.list.d/debian.sources"
    if [ "${2:-bare}" = complete ]; then
        echo '*' >"$SIM/state/installed"
        echo i386 >"$SIM/state/foreign"
        : >"$SIM/root/proc/sys/fs/binfmt_misc/register"
        echo enabled >"$SIM/root/proc/sys/fs/binfmt_misc/qemu-i386"
        mkdir -p "$SIM/root/opt/torv-deps/benchmark"
        : >"$SIM/root/opt/torv-deps/benchmark/CMakeLists.txt"
    else
        : >"$SIM/state/installed"
        : >"$SIM/state/foreign"
    fi
}

# run_setup [PATH]: runs scripts/setup on $SIM; output in $out, exit status in $status.
run_setup() {
    out=$(TORV_SETUP_ROOT=$SIM/root TMPDIR=$SIM/tmp PATH=${1:-$stubs:$PATH} \
        "$repo/scripts/setup" 2>&1)
    status=$?
    echo "$out" >"$SIM/output"
}

logged() { grep -qE "$1" "$SIM/log"; }
said() { grep -qF -- "$1" <<<"$out"; }
line_of() { grep -nE -m1 "$1" "$SIM/log" | cut -d: -f1; }
# The packages asked to be installed, one a line, sorted.
installing() { sed -n 's/^apt-get .* install .*--fix-broken //p' "$SIM/log" | tr ' ' '\n' | sort; }

echo "--- a bare machine"
machine bare
run_setup
check "setup succeeds (exit $status)" [ $status -eq 0 ]
[ -s "$SIM/queried" ] && [ "$(installing)" = "$(cat "$SIM/queried")" ]
passed "every package it asks about, of both architectures, is installed"
for p in wine64 wine32:i386 qemu-user g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix xvfb; do
    check "$p is among them" grep -qx "$p" "$SIM/queried"
done
check "the i386 architecture is added" logged '^dpkg --add-architecture i386$'
[ "$(line_of 'add-architecture')" -lt "$(line_of '^apt-get .* update$')" ] &&
    [ "$(line_of '^apt-get .* update$')" -lt "$(line_of ' install ')" ]
passed "the lists are updated after adding i386, before installing"
check "unfinished installs are completed first" logged '^dpkg --configure -a$'
check "apt-get asks no questions" logged '^DEBIAN_FRONTEND=noninteractive$'
check "binfmt_misc is mounted" \
    logged "^mount -t binfmt_misc binfmt_misc $SIM/root/proc/sys/fs/binfmt_misc\$"
check "qemu-i386 is registered for 32-bit ELF programs" \
    [ "$(cat "$SIM/root/proc/sys/fs/binfmt_misc/register")" = "$QEMU_I386" ]
expected='Types: deb-src
URIs: http://mirror.example.net/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
check "the benchmark sources come from the machine's own Debian archive" \
    [ "$(cat "$SIM/bench-sources")" = "$expected" ]
check "the benchmark sources are unpacked" [ -f "$SIM/root/opt/torv-deps/benchmark/CMakeLists.txt" ]
check "no temporary files are left" [ -z "$(ls -A "$SIM/tmp")" ]
check "it says it is done" said "setup: ok"

echo "--- a complete machine"
machine complete complete
run_setup
check "setup succeeds (exit $status)" [ $status -eq 0 ]
[ ! -s "$SIM/log" ] && [ ! -s "$SIM/root/proc/sys/fs/binfmt_misc/register" ]
passed "nothing is installed, mounted or registered"
check "it only says it is done" [ "$out" = "setup: ok" ]
machine complete-user complete
echo 1000 >"$SIM/state/uid"
run_setup "$nosudo"
[ $status -eq 0 ] && [ ! -s "$SIM/log" ]
passed "a user without sudo gets through too"

echo "--- half set-up machines"
machine half complete
printf '%s\n' sox wine32:i386 >"$SIM/state/missing"
rm "$SIM/root/proc/sys/fs/binfmt_misc/qemu-i386"
echo 1000 >"$SIM/state/uid"
run_setup
check "setup succeeds for a user with sudo (exit $status)" [ $status -eq 0 ]
check "only the missing packages are installed" [ "$(installing | xargs)" = "sox wine32:i386" ]
! logged 'add-architecture'
passed "the i386 architecture is not added again"
! logged '^mount'
passed "a mounted binfmt_misc is not mounted again"
check "qemu-i386 is registered" \
    [ "$(cat "$SIM/root/proc/sys/fs/binfmt_misc/register")" = "$QEMU_I386" ]
# Each command a stand-in records must come right after the sudo line that ran it.
awk '/^sudo / { s = $0; next }
     /^DEBIAN_FRONTEND=/ { next }
     { n = length(s) - length($0); if (n < 5 || substr(s, n + 1) != $0) bad++; s = "" }
     END { exit bad > 0 }' "$SIM/log" && logged '^sudo .*apt-get .* install '
passed "everything that needs root goes through sudo"
check "apt-get asks no questions through sudo either" logged '^DEBIAN_FRONTEND=noninteractive$'

# The benchmark step alone, with other apt configurations: one-line entries with options, CDs,
# other vendors, security and source entries; a mirror named by its suite "stable"; entries
# that apt ignores.
bench_only() { # bench_only <name>: a complete machine without the benchmark sources
    machine "$1" complete
    rm -r "$SIM/root/opt/torv-deps/benchmark"
}
bench_only one-line
rm "$SIM/root/etc/apt/sources.list.d/debian.sources"
cat >"$SIM/root/etc/apt/sources.list" <<'LIST'
# deb http://commented.example.net/debian bookworm main
deb cdrom:[Debian GNU/Linux 12.5.0 _Bookworm_]/ bookworm main
deb [arch=amd64 signed-by=/etc/apt/keyrings/vendor.gpg] https://vendor.example.com/apt stable main
deb http://security.example.org/debian-security bookworm-security main
deb [ arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg ] http://ftp.example.org/debian/ bookworm main non-free-firmware # the mirror
deb-src http://ftp.example.org/debian/ bookworm main
LIST
printf '%s\n' 'Types: deb' 'URIs: http://disabled.example.net/debian' 'Suites: bookworm' \
    'Components: main' >"$SIM/root/etc/apt/sources.list.d/old.sources.disabled"
run_setup
expected='Types: deb-src
URIs: http://ftp.example.org/debian/
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
check "one-line entries: the Debian archive with its key" [ "$(cat "$SIM/bench-sources")" = "$expected" ]
[ $status -eq 0 ] && [ "$(grep -c . "$SIM/log")" = 2 ] && ! logged ' install '
passed "only the benchmark step runs"

bench_only deb822
rm "$SIM/root/etc/apt/sources.list.d/debian.sources"
cat >"$SIM/root/etc/apt/sources.list.d/a-vendor.sources" <<'LIST'
Types: deb
URIs: https://vendor.example.com/node
Suites: nodistro
Components: main

# Switched off for now.
Enabled: no
Types: deb
URIs: http://off.example.net/debian
Suites: bookworm
Components: main
LIST
# A key given inline, as a deb822 field of several lines.
key='Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mDMEZ0key
 -----END PGP PUBLIC KEY BLOCK-----'
printf '%s\n' 'Types: deb deb-src' \
    'URIs: http://one.example.net/debian http://two.example.net/debian' \
    'Suites: stable-updates stable' 'Components: main' 'Trusted: yes' "$key" \
    >"$SIM/root/etc/apt/sources.list.d/mirror.sources"
rm "$SIM/root/etc/os-release"
run_setup
expected='Types: deb-src
URIs: http://one.example.net/debian
Suites: stable
Components: main
'"$key"'
Trusted: yes'
[ $status -eq 0 ] && [ "$(cat "$SIM/bench-sources")" = "$expected" ]
passed "deb822 entries: a mirror named by its suite, with an inline key"

echo "--- failures a person can fix"
for apt_config in none vendor-only; do
    bench_only "no-archive-$apt_config"
    rm "$SIM/root/etc/apt/sources.list.d/debian.sources"
    [ $apt_config = vendor-only ] &&
        echo "deb https://vendor.example.com/apt bookworm-vendor main" >"$SIM/root/etc/apt/sources.list"
    run_setup
    [ $status -ne 0 ] && said "setup: found no Debian archive in the apt sources" &&
        said "add an entry for the machine's Debian mirror with the suite bookworm" && ! logged 'apt-get'
    passed "no Debian archive in the apt sources ($apt_config): a clear failure"
done

machine offline
echo update >"$SIM/state/fail"
run_setup
[ $status -ne 0 ] && ! logged ' install ' &&
    said "setup: apt-get could not update its package lists: check the network connection"
passed "no network: a clear failure"

machine no-sudo
echo 1000 >"$SIM/state/uid"
run_setup "$nosudo"
[ $status -ne 0 ] && [ ! -s "$SIM/log" ] &&
    said "needs root, and sudo is not installed: run scripts/setup as root"
passed "not root and no sudo: a clear failure"

machine no-binfmt complete
rm "$SIM/root/proc/sys/fs/binfmt_misc/"*
echo mount >"$SIM/state/fail"
run_setup
[ $status -eq 0 ] && said "binfmt_misc cannot be mounted" && said "start it privileged" &&
    [ ! -e "$SIM/root/proc/sys/fs/binfmt_misc/register" ]
passed "binfmt_misc not mountable: setup goes on and says what to do"

echo "--- unexpected failures"
bench_only bad-tarball
echo tarball >"$SIM/state/fail"
run_setup
[ $status -ne 0 ] && grep -qE "^setup: line [0-9]+: 'tar -xf .*' failed \(exit 2\)$" <<<"$out" &&
    [ -z "$(ls -A "$SIM/tmp")" ]
passed "a failing command is named with its line, and the temporary files go"

# The scripts that start with setup stop with its sentence and a line of their own.
machine offline-run
echo update >"$SIM/state/fail"
out=$(TORV_SETUP_ROOT=$SIM/root PATH=$stubs:$PATH "$repo/scripts/run" 2>&1)
status=$?
[ $status -ne 0 ] && said "check the network connection" &&
    grep -qE "^run: line [0-9]+: .*setup.* failed" <<<"$out"
passed "scripts/run stops when setup fails, and says so"
out=$(TORV_SETUP_ROOT=$SIM/root PATH=$stubs:$PATH \
    TORV_BUILD_PREFIX="$(realpath -m --relative-to="$repo" "$SIM")/build-" "$repo/scripts/test" 2>&1)
status=$?
[ $status -ne 0 ] && said "check the network connection" && said "test: the machine is not ready"
passed "scripts/test stops when setup fails, and says so"

[ $failures -eq 0 ] || {
    echo "$failures check(s) failed"
    exit 1
}
echo "all checks passed"
