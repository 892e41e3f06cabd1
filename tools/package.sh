#!/bin/bash
# Builds the signed MSIX package of the Windows build: build/package/Norvane-<version>.msix.
#
#   bash tools/package.sh [--cert CERT.pem --key KEY.pem]
#
# Without --cert/--key it signs with a test certificate that it makes once under build/package/
# (test-cert.pem, test-key.pem; trusted by nobody until a user trusts it for a trial). The
# certificate's subject must equal the package's Publisher and it must allow code signing;
# otherwise nothing is signed. The package is only ever put under its final name once signed.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT="$ROOT/build/package"
EXE="$ROOT/build/windows/norvane.exe"
HEADER="$ROOT/build/windows/generated/base/version.h"
LOGOS="$ROOT/build/windows/assets"

cert="" key=""
while [ $# -gt 0 ]; do
    case "$1" in
        --cert) cert=$(realpath "$2"); shift 2 ;;
        --key) key=$(realpath "$2"); shift 2 ;;
        *) echo "package: unknown argument $1 (usage: tools/package.sh [--cert FILE --key FILE])" >&2
           exit 2 ;;
    esac
done
if { [ -n "$cert" ] && [ -z "$key" ]; } || { [ -z "$cert" ] && [ -n "$key" ]; }; then
    echo "package: --cert and --key go together" >&2
    exit 2
fi

if [ ! -f "$EXE" ] || [ ! -f "$HEADER" ] || [ ! -f "$LOGOS/Square150x150Logo.png" ]; then
    echo "package: there is no Windows build (build/windows/norvane.exe); build it first with" \
         "the test command (bash .ci/run) or the run command (bash tools/run.sh)" >&2
    exit 1
fi

# The identity of the executable being packaged, as its own build made it.
define() { sed -n "s/^#define $1 \"\(.*\)\"$/\1/p" "$HEADER"; }
VERSION=$(define NV_VERSION)
NAME=$(define NV_PACKAGE_NAME)
PUBLISHER=$(define NV_PUBLISHER)

version_of() { osslsigncode --version 2>/dev/null | sed -n '1s/^osslsigncode \([0-9.]*\).*/\1/p'; }
if ! printf '2.6\n%s\n' "$(version_of)" | sort -V -C; then
    echo "package: osslsigncode 2.6 or later is needed to sign MSIX packages (have:" \
         "'$(version_of)'); bash tools/setup.sh installs it" >&2
    exit 1
fi

mkdir -p "$OUT"
if [ -z "$cert" ]; then
    cert="$OUT/test-cert.pem" key="$OUT/test-key.pem"
    if [ ! -f "$cert" ] || [ ! -f "$key" ]; then
        # PUBLISHER reads "CN=…, O=…, C=…", most specific part first; openssl's -subj takes the
        # parts the other way round.
        subj=$(echo "$PUBLISHER" | awk -F', ' '{for (i = NF; i > 0; i--) printf "/%s", $i}')
        openssl req -x509 -newkey rsa:3072 -nodes -days 1825 -subj "$subj" \
            -keyout "$key.part" -out "$cert.part" \
            -addext "keyUsage=critical,digitalSignature" \
            -addext "extendedKeyUsage=codeSigning" 2>/dev/null
        mv "$key.part" "$key" && mv "$cert.part" "$cert"
        echo "package: made the test certificate $cert"
    fi
fi

# Windows names a subject most specific part first, with ", " between the parts.
subject=$(openssl x509 -in "$cert" -noout -subject -nameopt RFC2253 | sed 's/^subject=//' |
          sed 's/\([^\\]\),/\1, /g')
if [ "$subject" != "$PUBLISHER" ]; then
    echo "package: the certificate's subject \"$subject\" is not the package's Publisher" \
         "\"$PUBLISHER\"; nothing signed" >&2
    exit 1
fi
if ! openssl x509 -in "$cert" -noout -ext extendedKeyUsage 2>/dev/null | grep -q 'Code Signing'; then
    echo "package: the certificate $cert does not allow code signing; nothing signed" >&2
    exit 1
fi

# The packager, built with the native tools.
if [ ! -f "$ROOT/build/native/build.ninja" ]; then
    cmake --preset native >/dev/null
fi
cmake --build "$ROOT/build/native" --target norvane-pack >/dev/null

final="$OUT/Norvane-$VERSION.msix"
unsigned="$OUT/Norvane-$VERSION.unsigned.msix"
signing="$OUT/Norvane-$VERSION.signing.msix"
rm -f "$final" "$unsigned" "$signing"
trap 'rm -f "$unsigned" "$signing"' EXIT
"$ROOT/build/native/norvane-pack" --exe "$EXE" --assets "$LOGOS" --out "$unsigned" \
    --version "$VERSION" --name "$NAME" --publisher "$PUBLISHER"
if ! osslsigncode sign -certs "$cert" -key "$key" -in "$unsigned" -out "$signing" >"$OUT/sign.log" 2>&1; then
    echo "package: signing failed; no package made:" >&2
    cat "$OUT/sign.log" >&2
    exit 1
fi
mv "$signing" "$final"
echo "package: $final ($(stat -c %s "$final") bytes, version $VERSION, signed by \"$subject\")"
