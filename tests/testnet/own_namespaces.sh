# Sourced by the scripts that run things in namespaces of their own.
#
# own_namespaces OPTIONS... sets OWN_NAMESPACES to unshare's options for new namespaces of the
# kinds OPTIONS name: those alone where this process may make them (root, or a process to which a
# user namespace granted the capabilities), else the same inside a user namespace of its own, as
# the same user, with the capabilities it grants kept across exec. Where neither can be had it
# returns 1, with unshare's reason in OWN_NAMESPACES_FAILURE.
own_namespaces() {
    if unshare "$@" true 2>/dev/null; then
        OWN_NAMESPACES=("$@")
        return 0
    fi
    OWN_NAMESPACES_FAILURE=$(unshare --map-current-user --keep-caps "$@" true 2>&1) || return 1
    OWN_NAMESPACES=(--map-current-user --keep-caps "$@")
}
