#!/bin/bash
# The release package of this Windows build, as tools/package.sh makes it: accepted by
# osslsigncode with the test certificate as the trusted root and by our own checker (every block
# hash, the content types, one version throughout); certificates it must refuse sign nothing.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
OUT="$ROOT/build/package"
VERSION=$(sed -n 's/^#define NV_VERSION "\(.*\)"$/\1/p' "$ROOT/build/windows/generated/base/version.h")
PKG="$OUT/Norvane-$VERSION.msix"
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A certificate of another subject, and one without code signing, are refused before signing;
# a key that does not belong to the certificate fails the signature, leaving no package.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Someone Else" \
    -addext extendedKeyUsage=codeSigning -keyout "$TMP/other.key" -out "$TMP/other.pem" 2>/dev/null
bash "$ROOT/tools/package.sh" >/dev/null  # also makes the test certificate
subj=$(openssl x509 -in "$OUT/test-cert.pem" -noout -subject -nameopt compat | sed 's/^subject=//')
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "$subj" \
    -keyout "$TMP/plain.key" -out "$TMP/plain.pem" 2>/dev/null
out=$(bash "$ROOT/tools/package.sh" --cert "$TMP/other.pem" --key "$TMP/other.key" 2>&1) &&
    fail "another subject signed"
grep -q "is not the package's Publisher" <<<"$out" || fail "refusal: $out"
out=$(bash "$ROOT/tools/package.sh" --cert "$TMP/plain.pem" --key "$TMP/plain.key" 2>&1) &&
    fail "a certificate without code signing signed"
grep -q "does not allow code signing" <<<"$out" || fail "refusal: $out"
bash "$ROOT/tools/package.sh" --cert "$OUT/test-cert.pem" --key "$TMP/other.key" >/dev/null 2>&1 &&
    fail "a foreign key signed"
[ ! -e "$PKG" ] || fail "a failed signature left $PKG"
ls "$OUT"/*.msix >/dev/null 2>&1 && fail "a failed signature left $(ls "$OUT"/*.msix)"

bash "$ROOT/tools/package.sh"
osslsigncode verify -in "$PKG" -CAfile "$OUT/test-cert.pem" >"$TMP/verify.log" 2>&1 ||
    fail "osslsigncode verify: $(tail -5 "$TMP/verify.log")"
grep -q '^Signature verification: ok' "$TMP/verify.log" || fail "$(cat "$TMP/verify.log")"
python3 "$ROOT/tests/package/check_msix.py" --self-test "$PKG"
