#!/bin/bash
# Installs the Debian 12 packages that building, running and testing Norvane need, and only
# those that are missing. Safe to run again: with everything present it changes nothing.
set -euo pipefail

PACKAGES=(
    # native build, unit tests, sanitizers, fuzzing and benchmarks
    curl cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
    rapidjson-dev nlohmann-json3-dev libsimdjson-dev python3
    # the Windows build and running it
    g++-mingw-w64-x86-64-posix wine wine64 xvfb x11-utils fonts-wqy-zenhei imagemagick poppler-utils
    # the reference server (HTTP through Boost.Beast), and h11 to compare its framing with
    libboost1.74-dev libsqlite3-dev libsodium-dev pkg-config python3-h11
    # real readers of the exported documents
    qpdf unzip libreoffice-writer-nogui libreoffice-calc-nogui python3-openpyxl
    # the test printer: CUPS with a CUPS-PDF queue, and readers of what it prints
    cups printer-driver-cups-pdf ghostscript tesseract-ocr tesseract-ocr-chi-sim
)

missing=()
for p in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#PACKAGES[@]} packages present"
    exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
