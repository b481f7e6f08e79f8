# Shared by the scripts: where the repository and the toolbox live.
# Sourced, never run.

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
SCRIPTS=$REPO/scripts
TOOLBOX_CACHE=${BRINEMERE_TOOLBOX_CACHE:-/var/cache/brinemere-toolbox}
TOOLBOX_SUITE=trixie
TOOLBOX_MIRROR=http://deb.debian.org/debian

# The toolbox is keyed by everything that makes it: the package list, the
# provisioning script and the suite. A changed recipe builds a new toolbox.
toolbox_key() {
    { grep -v '^#' "$SCRIPTS/lib/toolbox.packages"; cat "$SCRIPTS/lib/provision-toolbox"; echo "suite=$TOOLBOX_SUITE"; } |
        sha256sum | cut -c1-16
}

TOOLBOX_ROOT=$TOOLBOX_CACHE/$(toolbox_key)

toolbox_ready() { [ -f "$TOOLBOX_ROOT/.brinemere-complete" ]; }

# detect_32bit_code ROOT: "no" when the toolbox's 32-bit Wine loader cannot
# even start natively here (the kernel refuses i386 programs), else "yes".
detect_32bit_code() {
    local output status=0
    output=$(BRINEMERE_HOST_RUNS_32BIT=yes toolbox_exec "$1" / /usr/lib/wine/wine --version 2>&1) || status=$?
    if [ $status = 126 ] || grep -q "Exec format error" <<<"$output"; then echo no; else echo yes; fi
}

say() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }

# The variables a command inside the toolbox sees from outside, besides
# HOME, LANG, TERM, PATH, CI and (with BRINEMERE_USE_DISPLAY) DISPLAY: Wine's
# WINEDEBUG, GoogleTest's GTEST_*, and the project's own BRINEMERE_*
# (BRINEMERE_TEST_FILTER, BRINEMERE_BENCH_KEEP, BRINEMERE_BUILD_DIR, ...).
# Everything else is left outside, so the host's environment cannot change
# a build or a test.
toolbox_passed_variables() {
    env | grep -E '^(WINEDEBUG|GTEST_[A-Z0-9_]+|BRINEMERE_[A-Z0-9_]+)=' || true
}

# Whether this host runs 32-bit x86 code, "yes" or "no". Some kernels run
# 64-bit code only (an i386 ELF gives "Exec format error"); scripts/setup
# tries the toolbox's 32-bit Wine loader and records the answer here.
# BRINEMERE_HOST_RUNS_32BIT=no (or yes) overrides the record, so that the
# 64-bit-only path can be tried on any host.
HOST_32BIT_RECORD=$TOOLBOX_CACHE/host-runs-32bit
host_runs_32bit() {
    case ${BRINEMERE_HOST_RUNS_32BIT:-} in
    yes | no) echo "$BRINEMERE_HOST_RUNS_32BIT" ;;
    *) cat "$HOST_32BIT_RECORD" 2>/dev/null || echo yes ;;
    esac
}

# toolbox_exec ROOT CWD CMD...: run CMD chrooted into ROOT (see scripts/toolbox).
# Where the host runs no 32-bit code, CMD runs in a user namespace of its own
# in which every i386 program (the 32-bit Wine) runs under the toolbox's
# qemu-i386: the namespace has a binfmt_misc of its own (Linux 6.7 or
# later), so nothing is registered on the host.
toolbox_exec() {
    local root=$1 cwd=$2; shift 2
    local x11=${BRINEMERE_USE_DISPLAY:+/tmp/.X11-unix}
    local passed=(BRINEMERE_HOST_RUNS_32BIT=$(host_runs_32bit))
    while IFS= read -r variable; do
        [[ $variable == BRINEMERE_HOST_RUNS_32BIT=* ]] || passed+=("$variable")
    done < <(toolbox_passed_variables)
    local enter=(unshare --mount --propagation private --) gate=
    if [ "$(host_runs_32bit)" = no ]; then
        # The namespace's ids are mapped one to one onto the host's (so that
        # ownership, setuid and apt behave as outside) by this process, from
        # outside, before the command goes on: it waits on the gate for that.
        gate=$(mktemp -u /tmp/brinemere-userns.XXXXXX)
        mkfifo -m 600 "$gate"
        enter=(unshare --user --pid --fork --kill-child --mount --propagation private --)
    fi
    (
        if [ -n "$gate" ]; then
            me=$BASHPID
            map_user_namespace "$me" "$gate" &
        fi
        exec "${enter[@]}" bash -c '
set -e
root=$1 repo=$2 cwd=$3 x11=$4 gate=$5 count=$6; shift 6
passed=("${@:1:$count}"); shift "$count"
if [ -n "$gate" ]; then
    read -r _ <"$gate"
    rm -f "$gate"
fi
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --rbind /sys "$root/sys"
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
mkdir -p "$root$repo"
mount --bind "$repo" "$root$repo"
if [ -n "$x11" ] && [ -d "$x11" ]; then mkdir -p "$root$x11"; mount --bind "$x11" "$root$x11"; fi
if [ -n "$gate" ]; then
    # i386 programs go to qemu-i386, opened now (flag F) so that the path
    # outside the root is the one that counts; P keeps their argv[0].
    binfmt=$root/proc/sys/fs/binfmt_misc
    mount -t binfmt_misc binfmt_misc "$binfmt" || {
        echo "this host runs no 32-bit code, and its kernel has no binfmt_misc for each user namespace" \
            "(Linux 6.7 or later) to emulate it with" >&2
        exit 1
    }
    conf=$(grep -v "^#" "$root/usr/share/qemu/binfmt.d/qemu-i386.conf")
    echo "${conf%%/usr/*}$root/usr/libexec/qemu-binfmt/i386-binfmt-P:FP" >"$binfmt/register"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
exec chroot "$root" /usr/bin/env -i \
    HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    CI="${CI:-}" DISPLAY="${BRINEMERE_USE_DISPLAY:+$DISPLAY}" \
    "${passed[@]}" \
    /bin/bash -c "cd \"\$0\" && exec \"\$@\"" "$cwd" "$@"
' toolbox "$root" "$REPO" "$cwd" "$x11" "$gate" "${#passed[@]}" "${passed[@]}" "$@"
    )
}

# map_user_namespace PID GATE: once PID has left this user namespace, maps
# every user and group id of its new one onto the same id here, then opens
# the gate it waits on.
map_user_namespace() {
    local pid=$1 gate=$2 own
    own=$(readlink /proc/self/ns/user)
    for _ in $(seq 1000); do
        [ "$(readlink "/proc/$pid/ns/user" 2>/dev/null)" != "$own" ] && break
        sleep 0.01
    done
    # The gate opens even when the ids cannot be mapped: the command then
    # fails on its first mount instead of waiting for ever.
    { echo "0 0 4294967295" >"/proc/$pid/uid_map" && echo "0 0 4294967295" >"/proc/$pid/gid_map"; } ||
        echo "could not map the user namespace of the toolbox" >&2
    timeout 60 sh -c 'echo open >"$1"' gate "$gate" || rm -f "$gate"
}

# earlier_modules COMMIT: the modules of an earlier commit, built once (its
# source exported from git, the module alone, no tests) into
# build/earlier/COMMIT: the 64-bit one in TREE/x64 and, where the host runs
# 32-bit code, the 32-bit one in TREE. Each gets today's stand-in d3d9.dll
# (build/fault, build/x64/fault), so that both are run and measured alike.
# Prints TREE; fails when there is no such commit.
earlier_modules() {
    local commit tree today
    commit=$(git -C "$REPO" rev-parse --verify -q "$1^{commit}") || { echo "no commit $1 here" >&2; return 1; }
    tree=$REPO/build/earlier/$commit
    if [ ! -f "$tree/x64/BrinemereDuzo.scr" ] || { [ "$(host_runs_32bit)" = yes ] && [ ! -f "$tree/BrinemereDuzo.scr" ]; }; then
        say "building the module of $commit" >&2
        rm -rf "$tree/source"
        mkdir -p "$tree/source"
        git -C "$REPO" archive "$commit" | tar -x -C "$tree/source"
        "$SCRIPTS/toolbox" "$SCRIPTS/inside/build-module" "$tree/source" "$tree" \
            "$([ "$(host_runs_32bit)" = yes ] && echo x86)" >&2
    fi
    for today in "$REPO/build" "$REPO/build/x64"; do
        local mirror=$tree${today#"$REPO/build"}
        if [ -f "$mirror/BrinemereDuzo.scr" ] && [ -f "$today/fault/d3d9.dll" ]; then
            mkdir -p "$mirror/fault"
            cp "$today/fault/d3d9.dll" "$mirror/fault/d3d9.dll"
        fi
    done
    echo "$tree"
}
