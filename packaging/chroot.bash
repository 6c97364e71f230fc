# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by try-source and try-install: a Debian 12 chroot that cannot reach the host's devices.
# It gets a few device nodes of its own, its own devpts, /dev/shm, proc and a read-only sysfs,
# never a bind of the host's /dev or /sys (a tmpfs mounted under such a bind would land on the
# host's /dev/shm, and removing the tree would remove the host's devices). On exit, only the
# processes whose root is this chroot are ended, its mounts are undone, and the tree is removed
# only once findmnt shows nothing under it, without crossing into another file system.
#
# The caller sets chroot_root (and chroot_keep=1 to leave the tree), then calls chroot_enter.

chroot_mounts=()
chroot_keep="${chroot_keep:-0}"

chroot_still_mounted() {
    findmnt -rn -o TARGET | awk -v r="$chroot_root" '$0 == r || index($0, r "/") == 1'
}

# Signals every process running inside the chroot; true when there was one.
chroot_signal_inside() {
    local signal="$1" link pid found=1
    for link in /proc/[0-9]*/root; do
        pid="${link#/proc/}"
        pid="${pid%/root}"
        if [ "$(readlink "$link" 2>/dev/null)" = "$chroot_root" ]; then
            kill "-$signal" "$pid" 2>/dev/null && found=0
        fi
    done
    return $found
}

chroot_leave() {
    local status=$? target
    set +e
    if chroot_signal_inside TERM; then
        sleep 2
        chroot_signal_inside KILL && sleep 1
    fi
    for target in "${chroot_mounts[@]}"; do umount "$target" 2>/dev/null || umount -l "$target"; done
    chroot_mounts=()
    if [ -n "$(chroot_still_mounted)" ]; then
        echo "still mounted, $chroot_root left in place:" >&2
        chroot_still_mounted >&2
    elif [ "$chroot_keep" = 1 ]; then
        echo "chroot kept in $chroot_root"
    else
        rm -rf --one-file-system "$chroot_root"
    fi
    exit $status
}

chroot_mount() {
    mount "$@"
    chroot_mounts=("${@: -1}" "${chroot_mounts[@]}")
}

chroot_enter() {
    trap chroot_leave EXIT
    trap 'exit 130' INT TERM
    [ -z "$(chroot_still_mounted)" ] || {
        echo "something is already mounted under $chroot_root:" >&2
        chroot_still_mounted >&2
        chroot_keep=1
        exit 1
    }
    local node name major minor link
    # A root folder as any system has it, which apt's own user can enter (mktemp and a tar of
    # "." leave it to root alone).
    chmod 755 "$chroot_root"
    mkdir -p "$chroot_root/dev/pts" "$chroot_root/dev/shm" "$chroot_root/proc" "$chroot_root/sys"
    for node in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
        IFS=: read -r name major minor <<<"$node"
        if [ ! -c "$chroot_root/dev/$name" ]; then
            rm -f "$chroot_root/dev/$name"
            mknod -m 666 "$chroot_root/dev/$name" c "$major" "$minor"
        fi
    done
    for link in fd:/proc/self/fd stdin:/proc/self/fd/0 stdout:/proc/self/fd/1 \
        stderr:/proc/self/fd/2 ptmx:pts/ptmx; do
        ln -sfn "${link#*:}" "$chroot_root/dev/${link%%:*}"
    done
    chroot_mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$chroot_root/dev/pts"
    chroot_mount -t tmpfs -o mode=1777,size=1g shm "$chroot_root/dev/shm"
    chroot_mount -t proc proc "$chroot_root/proc"
    chroot_mount -t sysfs -o ro sysfs "$chroot_root/sys"
    cp /etc/resolv.conf "$chroot_root/etc/resolv.conf"
}

in_root() {
    chroot "$chroot_root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 TERM=dumb "$@"
}

# A port nothing listens on now, on the loopback the chroot shares with the host.
chroot_free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 30000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}
