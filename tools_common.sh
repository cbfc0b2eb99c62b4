# Shared by run.sh and test.sh: install what is missing, then configure and build.
set -euo pipefail

VELMAR_PACKAGES=(qt6-base-dev cmake ninja-build g++ libgtest-dev libgmock-dev srecord)
# For the sanitizer and fuzz builds: clang and its runtime libraries (ASan, UBSan, libFuzzer).
VELMAR_CLANG_PACKAGES=(clang-14 libclang-rt-14-dev)

velmar_install() {
    local missing=()
    for p in "${VELMAR_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# The packages the checks of the installation and of the Debian package use (./test.sh).
# xvfb and x11-utils: the title bar is drawn by a real X server and read back with xprop,
# since what the platform adds to a caption never shows through the offscreen platform.
VELMAR_PACKAGE_CHECKS=(desktop-file-utils appstream dpkg-dev xvfb x11-utils)
# What the tests of the network ports run against: the real ser2net (./test.sh, --sanitize).
VELMAR_TEST_PACKAGES=(ser2net)

# velmar_build [cmake options...]: configures VELMAR_BUILD_DIR (default build) and builds the
# targets named in VELMAR_BUILD_TARGET (separated by blanks), or everything.
velmar_build() {
    local dir="${VELMAR_BUILD_DIR:-build}" targets=()
    [ -z "${VELMAR_BUILD_TARGET:-}" ] || read -r -a targets <<<"$VELMAR_BUILD_TARGET"
    [ ${#targets[@]} -eq 0 ] || targets=(--target "${targets[@]}")
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
}

velmar_clang() {
    command -v clang++-14 || command -v clang++
}
