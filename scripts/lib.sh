# Shared by the scripts: where the repository and the toolbox live.
# Sourced, never run.

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SCRIPTS=$REPO/scripts
TOOLBOX_CACHE=${BRINEMERE_TOOLBOX_CACHE:-/var/cache/brinemere-toolbox}
TOOLBOX_SUITE=trixie
TOOLBOX_MIRROR=http://deb.debian.org/debian

# The toolbox is keyed by everything that makes it: the package list, the
# provisioning script and the suite. A changed recipe builds a new toolbox.
toolbox_key() {
    { grep -v '^#' "$SCRIPTS/toolbox.packages"; cat "$SCRIPTS/provision-toolbox"; echo "suite=$TOOLBOX_SUITE"; } |
        sha256sum | cut -c1-16
}

TOOLBOX_ROOT=$TOOLBOX_CACHE/$(toolbox_key)

toolbox_ready() { [ -f "$TOOLBOX_ROOT/.brinemere-complete" ]; }

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

# toolbox_exec ROOT CWD CMD...: run CMD chrooted into ROOT (see scripts/toolbox).
toolbox_exec() {
    local root=$1 cwd=$2; shift 2
    local x11=${BRINEMERE_USE_DISPLAY:+/tmp/.X11-unix}
    local passed=()
    while IFS= read -r variable; do passed+=("$variable"); done < <(toolbox_passed_variables)
    unshare --mount --propagation private -- bash -c '
set -e
root=$1 repo=$2 cwd=$3 x11=$4 count=$5; shift 5
passed=("${@:1:$count}"); shift "$count"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --rbind /sys "$root/sys"
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
mkdir -p "$root$repo"
mount --bind "$repo" "$root$repo"
if [ -n "$x11" ] && [ -d "$x11" ]; then mkdir -p "$root$x11"; mount --bind "$x11" "$root$x11"; fi
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
exec chroot "$root" /usr/bin/env -i \
    HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    CI="${CI:-}" DISPLAY="${BRINEMERE_USE_DISPLAY:+$DISPLAY}" \
    "${passed[@]}" \
    /bin/bash -c "cd \"\$0\" && exec \"\$@\"" "$cwd" "$@"
' toolbox "$root" "$REPO" "$cwd" "$x11" "${#passed[@]}" "${passed[@]}" "$@"
}
