# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts in this folder. need_packages "<why>" <package>... installs those of the
# Debian packages that are missing, saying which and why; as anyone but root it says why sudo is
# about to ask for a password. Everything goes to standard error.

need_packages() {
    local why=$1
    shift
    local missing=() p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "Installing ${missing[*]} (needed $why)" >&2
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Missing packages: ${missing[*]}. Install them as root (apt-get install ${missing[*]})." >&2
            return 1
        fi
        echo "apt-get needs root: sudo may ask for your password." >&2
        sudo=(sudo --prompt="[sudo] password for %u, to install packages with apt-get: ")
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq >&2
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
}
