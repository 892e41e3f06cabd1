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
    # PostgreSQL: libpq for the server, a throwaway cluster of postgresql-15 for its tests
    libpq-dev postgresql-15 postgresql-client-15
    # real readers of the exported documents
    qpdf unzip libreoffice-writer-nogui libreoffice-calc-nogui python3-openpyxl
    # the test printer: CUPS with a CUPS-PDF queue, and readers of what it prints
    cups printer-driver-cups-pdf ghostscript tesseract-ocr tesseract-ocr-chi-sim
    # signing the MSIX package (osslsigncode itself: below)
    openssl
)

# osslsigncode signs MSIX packages from 2.6 on; bookworm has 2.5, bookworm-backports 2.9.
signer_ok() {
    local v
    v=$(osslsigncode --version 2>/dev/null | sed -n '1s/^osslsigncode \([0-9.]*\).*/\1/p')
    [ -n "$v" ] && printf '2.6\n%s\n' "$v" | sort -V -C
}

missing=()
for p in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ] && signer_ok; then
    echo "setup: all ${#PACKAGES[@]} packages present"
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if ! signer_ok && ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "deb http://deb.debian.org/debian bookworm-backports main" |
        $SUDO tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
fi
$SUDO apt-get update -q
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if ! signer_ok; then
    echo "setup: installing osslsigncode from bookworm-backports"
    $SUDO apt-get install -y -q --no-install-recommends -t bookworm-backports osslsigncode
fi
