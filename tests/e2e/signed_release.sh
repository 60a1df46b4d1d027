#!/usr/bin/env bash
# The release command with a throwaway code-signing certificate made here: the release is signed
# (SHA-256, the product's name and URL) and verifies, one flipped byte makes verification fail,
# taking the signature off gives back the unsigned build, which is byte for byte the test command's
# own build of the same commit in its own folder, and the signed program starts and quits with exit
# code 0. A bad certificate or a wrong password fails at once, says why, and leaves the
# release folder as it was.
source "$(dirname "$0")/lib.sh"

readonly kWmClose=0x0010
keys="$work/keys"
dist="$work/dist"
mkdir -p "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Lumvane test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$keys/key.pem" -out "$keys/signer.pem" 2>/dev/null ||
  fail "no test certificate"
echo "right password" >"$keys/password"
echo "wrong password" >"$keys/wrong"
openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/signer.pem" -passout "file:$keys/password" \
  -out "$keys/signer.p12" || fail "no PKCS#12 file"

release() { # certificate, password file; the output in $work/release.log
  LUMVANE_DIST_DIR="$dist" LUMVANE_SIGN_PKCS12="$1" LUMVANE_SIGN_PASSWORD_FILE="$2" \
    "$e2e_repo/scripts/release.sh" >"$work/release.log" 2>&1
}
verify() { osslsigncode verify -in "$1" -CAfile "$keys/signer.pem" 2>&1; }
# The release folder's files with their sums, and any staging folder left beside it.
dist_state() { (cd "$work" && find dist -type f | sort | xargs sha256sum; ls -d .lumvane-release.* 2>/dev/null || true); }

release "$keys/signer.p12" "$keys/password" || { cat "$work/release.log"; fail "the signed release failed"; }
exe_sum=$(sha256sum "$dist/Lumvane.exe" | cut -d' ' -f1)
expect_eq "$(cat "$dist/SHA256SUMS")" "$exe_sum  Lumvane.exe" "SHA256SUMS names the release's program"
expect_eq "$(ls -A "$dist" | tr '\n' ' ')" "Lumvane.exe SHA256SUMS " "the release folder holds the program and its sums"

verified=$(verify "$dist/Lumvane.exe") || fail "the release does not verify: $verified"
for line in 'Signature verification: ok' 'Message digest algorithm *: SHA256' 'Text description: Lumvane' \
            'URL description: http'; do
  grep -q "$line" <<<"$verified" || fail "no '$line' in the verification: $verified"
done
pass "signed with SHA-256, the product's name and URL, and verified"

cp "$dist/Lumvane.exe" "$work/flipped.exe"
byte=$(od -An -tu1 -j 4096 -N 1 "$work/flipped.exe" | tr -d ' ')
printf "\\$(printf '%03o' $(((byte + 1) % 256)))" | dd of="$work/flipped.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
flipped=$(verify "$work/flipped.exe") && fail "a program with one byte changed verifies"
expect_eq "$(grep -c 'MISMATCH' <<<"$flipped")" 1 "one flipped byte: the digest does not match"

osslsigncode remove-signature -in "$dist/Lumvane.exe" -out "$work/unsigned.exe" >/dev/null || fail "remove-signature"
unsigned_sum=$(sed -n 's/.*unsigned SHA-256 \([0-9a-f]*\).*/\1/p' "$work/release.log")
expect_eq "$(sha256sum "$work/unsigned.exe" | cut -d' ' -f1)" "$unsigned_sum" "without its signature: the unsigned build"
# The release was built from the commit in a folder of its own; the program under test here was
# built in the build folder. With nothing uncommitted they are two builds of one commit.
if [ -z "$(git -C "$e2e_repo" status --porcelain --untracked-files=no)" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$e2e_repo" log -1 --format=%ct) x86_64-w64-mingw32-strip -o "$work/here.exe" "$exe"
  expect_eq "$(sha256sum "$work/here.exe" | cut -d' ' -f1)" "$unsigned_sum" "the commit built in two folders: one SHA-256"
else
  echo "skip [$scenario]: uncommitted changes, so the build folder's program is not the commit's"
fi

start_launcher "$dist/Lumvane.exe"
drive post "$launcher_hwnd" $kWmClose 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" 0 "the signed program starts and quits with exit code 0"

before=$(dist_state)
echo "not a certificate" >"$keys/bad.p12"
release "$keys/bad.p12" "$keys/password" && fail "a bad certificate was accepted"
expect_eq "$(grep -c 'not a PKCS#12 certificate' "$work/release.log")" 1 "a bad certificate: said so"
release "$keys/signer.p12" "$keys/wrong" && fail "a wrong password was accepted"
expect_eq "$(grep -c 'wrong password' "$work/release.log")" 1 "a wrong password: said so"
expect_eq "$(dist_state)" "$before" "after both failures the release folder is as it was"
