# Shared by scripts/run and scripts/test: install what is missing, then
# configure and build incrementally.

ORVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The fonts: a face metric-compatible with Arial, and one with Chinese glyphs.
ORVEX_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-tools-dev qt6-l10n-tools zlib1g-dev libxcb1-dev
    fonts-liberation2 fonts-wqy-microhei)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The time of each part of a script, added up by name, said at the end.
declare -A ORVEX_PART_SECONDS=()
ORVEX_PART_ORDER=()
part() { # name command...
    local name=$1
    shift
    local start=$SECONDS
    "$@"
    [ -n "${ORVEX_PART_SECONDS[$name]+set}" ] || ORVEX_PART_ORDER+=("$name")
    ORVEX_PART_SECONDS[$name]=$(( ${ORVEX_PART_SECONDS[$name]:-0} + SECONDS - start ))
}
say_parts() {
    local name line="Time per part:"
    for name in "${ORVEX_PART_ORDER[@]}"; do
        line+=" $name ${ORVEX_PART_SECONDS[$name]} s,"
    done
    echo "${line%,}; in all $SECONDS s"
}

# ensure_packages [extra package...]
ensure_packages() {
    local missing=()
    local package
    for package in "${ORVEX_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}"
    fi
}

# build_tree DIR [cmake option...] [--target TARGET...]
build_tree() {
    local dir=$1
    shift
    local options=()
    while [ $# -gt 0 ] && [ "$1" != --target ]; do
        options+=("$1")
        shift
    done
    # Line tables only: backtraces and sanitizer reports still name each
    # line, and every build takes a quarter less time.
    cmake -S "$ORVEX_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "${options[@]}" >/dev/null
    cmake --build "$dir" -j"$(nproc)" "$@"
}
