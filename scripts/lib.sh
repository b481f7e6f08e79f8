# Shared by the scripts: where the repository and the toolbox live.
# Sourced, never run.

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SCRIPTS=$REPO/scripts
TOOLBOX_CACHE=${BRINEMERE_TOOLBOX_CACHE:-/var/cache/brinemere-toolbox}
# Bump when the recipe below the package list changes (libjpeg build, prefix).
TOOLBOX_RECIPE=3
TOOLBOX_SUITE=trixie
TOOLBOX_MIRROR=http://deb.debian.org/debian

toolbox_key() {
    { grep -v '^#' "$SCRIPTS/toolbox.packages"; echo "recipe=$TOOLBOX_RECIPE suite=$TOOLBOX_SUITE"; } |
        sha256sum | cut -c1-16
}

TOOLBOX_ROOT=$TOOLBOX_CACHE/$(toolbox_key)

toolbox_ready() { [ -f "$TOOLBOX_ROOT/.brinemere-complete" ]; }

say() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }

# toolbox_exec ROOT CWD CMD...: run CMD chrooted into ROOT (see scripts/toolbox).
toolbox_exec() {
    local root=$1 cwd=$2; shift 2
    local x11=${BRINEMERE_USE_DISPLAY:+/tmp/.X11-unix}
    unshare --mount --propagation private -- bash -c '
set -e
root=$1 repo=$2 cwd=$3 x11=$4; shift 4
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
    BRINEMERE_TEST_FILTER="${BRINEMERE_TEST_FILTER:-}" BRINEMERE_BENCH_KEEP="${BRINEMERE_BENCH_KEEP:-}" \
    /bin/bash -c "cd \"\$0\" && exec \"\$@\"" "$cwd" "$@"
' toolbox "$root" "$REPO" "$cwd" "$x11" "$@"
}
