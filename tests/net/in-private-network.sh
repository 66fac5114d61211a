#!/bin/sh
# Runs a test program in a network of its own: a user and network namespace whose loopback is up
# and carries multicast, so what the test sends to a multicast group never reaches the machine's
# network. Usage: in-private-network.sh PROGRAM [ARGUMENT...]
#
# QUINTARO_PRIVATE_NETWORK tells the program where it runs: "1" inside the private network,
# otherwise why there is none (unshare refused, ip missing), and its network tests skip.
set -u

case "${QUINTARO_PRIVATE_NETWORK:-}" in
setting-up)
    # Root of the new namespaces: the loopback up with multicast, the multicast range routed to it.
    if ! why=$( (ip link set lo up multicast on && ip route add 224.0.0.0/4 dev lo) 2>&1); then
        QUINTARO_PRIVATE_NETWORK="the private loopback could not be set up: $why" exec "$@"
    fi
    # Then the caller's own user and group again (a nested user namespace in the same network),
    # so that JACK's files under /dev/shm are those of the caller's other programs.
    QUINTARO_PRIVATE_NETWORK=1 exec unshare --map-user="$QUINTARO_OUTER_UID" \
        --map-group="$QUINTARO_OUTER_GID" "$@"
    ;;
1)
    exec "$@" # already inside
    ;;
esac

if ! command -v ip >/dev/null 2>&1; then
    QUINTARO_PRIVATE_NETWORK="ip (iproute2) is not installed" exec "$@"
fi
if ! why=$(unshare -rn true 2>&1); then
    QUINTARO_PRIVATE_NETWORK="user and network namespaces are not allowed here (unshare -rn: $why)" \
        exec "$@"
fi
QUINTARO_OUTER_UID=$(id -u) QUINTARO_OUTER_GID=$(id -g) QUINTARO_PRIVATE_NETWORK=setting-up \
    exec unshare -rn "$0" "$@"
