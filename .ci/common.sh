# Shared by the set-up scripts: install the Debian packages that are missing, then
# configure and build the tree into build/.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEP_BUILD_DIR:-$root/build}

install_missing() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}

build_packages=(qtbase5-dev qtbase5-dev-tools libsimdjson-dev cmake g++ make)

configure() {
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
}
