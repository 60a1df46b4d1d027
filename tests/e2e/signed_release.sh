#!/usr/bin/env bash
# The release command with a throwaway code-signing certificate and a time-stamping authority on
# the loopback address, both made here: the release is signed (SHA-256, the product's name and URL),
# time-stamped, and verifies, also at a time after the certificate has expired; one flipped byte
# makes verification fail; taking the signature off gives back the unsigned build, which is byte for
# byte the test command's own build of the same commit in its own folder; the symbols sit under the
# shipped program's key; the signed program starts and quits with exit code 0. Stopped (SIGTERM)
# right after its first rename in the release folder's place, the release leaves one release there,
# whole, where the old one was whole until then. A bad certificate, a wrong password or a folder of
# other files fails at once, says why, and leaves the release folder as it was.
source "$(dirname "$0")/lib.sh"

readonly kWmClose=0x0010 kDay=86400
keys="$work/keys"
dist="$work/dist"
mkdir -p "$keys" "$work/bin"
certificate() { # name, extended key usage, file stem
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" -addext "extendedKeyUsage=$2" \
    -keyout "$keys/$3.key" -out "$keys/$3.pem" 2>/dev/null || fail "no certificate for $1"
}
certificate "Lumvane test signer" codeSigning signer
certificate "Lumvane test time stamps" critical,timeStamping tsa
echo "right password" >"$keys/password"
echo "wrong password" >"$keys/wrong"
# The time-stamping authority's certificate travels with the signing key, as a private root would.
openssl pkcs12 -export -inkey "$keys/signer.key" -in "$keys/signer.pem" -certfile "$keys/tsa.pem" \
  -passout "file:$keys/password" -out "$keys/signer.p12" || fail "no PKCS#12 file"

# An RFC 3161 authority: openssl ts answers each query posted to it.
printf '[tsa]\ndefault_tsa=a\n[a]\nserial=%s\nsigner_digest=sha256\ndefault_policy=1.2.3.4.1\ndigests=sha256\n' \
  "$keys/serial" >"$keys/tsa.cnf"
echo 01 >"$keys/serial"
python3 - "$keys" >"$work/tsa.port" <<'EOF' &
import http.server, subprocess, sys
keys = sys.argv[1]
class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", f"{keys}/tsa.cnf", "-queryfile", "/dev/stdin",
                                "-inkey", f"{keys}/tsa.key", "-signer", f"{keys}/tsa.pem", "-out", "/dev/stdout"],
                               input=query, capture_output=True).stdout
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    log_message = lambda *args: None
server = http.server.HTTPServer(("127.0.0.1", 0), Authority)
print(server.server_address[1], flush=True)
server.serve_forever()
EOF
tsa_pid=$!
trap 'kill $tsa_pid 2>/dev/null; e2e_cleanup' EXIT
for _ in $(seq 50); do [ -s "$work/tsa.port" ] && break; sleep 0.1; done
[ -s "$work/tsa.port" ] || fail "the time-stamping authority did not start"

# A release folder's program when its sums check, else "broken".
dist_release() { (cd "$1" && sha256sum --quiet -c SHA256SUMS >/dev/null && sha256sum <Lumvane.exe | cut -c1-64) 2>/dev/null || echo broken; }
export -f dist_release
cat >"$work/bin/stop" <<'EOF'
#!/usr/bin/env bash
# The first command of a release that renames in the release folder's place: what the folder held
# just before it goes to $STOPPED, and the release is stopped (SIGTERM) as soon as it has run.
tool=$(basename "$0"); PATH=${PATH#*:}
case "$*" in *"$LUMVANE_DIST_DIR"*) [ ! -e "$STOPPED" ] ;; *) false ;; esac || exec "$tool" "$@"
dist_release "$LUMVANE_DIST_DIR" >"$STOPPED"
"$tool" "$@" && status=0 || status=$?
kill -TERM $PPID
exit $status
EOF
chmod +x "$work/bin/stop"
ln -s stop "$work/bin/mv"
ln -s stop "$work/bin/python3"

release() { # certificate, password file; the output in $work/release.log
  PATH="$work/bin:$PATH" STOPPED="$work/before" LUMVANE_DIST_DIR="$dist" LUMVANE_SIGN_PKCS12="$1" \
    LUMVANE_SIGN_PASSWORD_FILE="$2" LUMVANE_SIGN_TIMESTAMP_URL="http://127.0.0.1:$(cat "$work/tsa.port")" \
    "$e2e_repo/scripts/release.sh" >"$work/release.log" 2>&1
}
verify() { # program, further options
  osslsigncode verify -in "$1" -CAfile "$keys/signer.pem" -TSA-CAfile "$keys/tsa.pem" "${@:2}" 2>&1
}
# The release folder's files with their sums, and any staging folder left beside it.
dist_state() { (cd "$work" && find dist -type f | sort | xargs sha256sum; ls -d .lumvane-release.* 2>/dev/null || true); }
# A program's symbol-store key, read from its PE header: time stamp (%08X), image size (%x).
pe_key() {
  python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read(4096); h = struct.unpack_from("<I", d, 60)[0]
print("%08X%x" % (struct.unpack_from("<I", d, h + 8) + struct.unpack_from("<I", d, h + 80)))' "$1"
}

# An older release in the folder: the test build, with its sums.
mkdir -p "$dist"
cp "$exe" "$dist/Lumvane.exe"
(cd "$dist" && sha256sum Lumvane.exe >SHA256SUMS)
old_sum=$(sha256sum <"$exe" | cut -c1-64)

status=0
release "$keys/signer.p12" "$keys/password" || status=$?
[ "$status" = 143 ] || { cat "$work/release.log"; fail "the signed release failed or was not stopped ($status)"; }
expect_eq "$(cat "$work/before")" "$old_sum" "until its first rename the release folder held the old release, whole"
expect_eq "$(dist_release "$dist")" "$(sha256sum <"$dist/Lumvane.exe" | cut -c1-64)" "stopped after it, the folder holds a release, whole"
expect_eq "$(ls -d "$work"/.lumvane-release.* 2>/dev/null)" "" "and nothing is left beside it"
exe_sum=$(sha256sum "$dist/Lumvane.exe" | cut -d' ' -f1)
key=$(pe_key "$dist/Lumvane.exe")
symbols=symbols/Lumvane.exe/$key/Lumvane.exe
expect_eq "$(cut -c67- "$dist/SHA256SUMS" | tr '\n' ' ')" "Lumvane.exe $symbols " "SHA256SUMS names the program and its symbols"
expect_eq "$(head -n 1 "$dist/SHA256SUMS")" "$exe_sum  Lumvane.exe" "SHA256SUMS holds the release's program"
expect_eq "$(cd "$dist" && find . -type f | LC_ALL=C sort | tr '\n' ' ')" "./Lumvane.exe ./SHA256SUMS ./$symbols " \
  "the release folder holds the program, its symbols and its sums"

expect_eq "$(pe_key "$dist/$symbols" | cut -c1-8)" "${key:0:8}" "the symbols' time stamp is the program's"
for section in .text .pdata; do
  x86_64-w64-mingw32-objcopy -O binary -j "$section" "$dist/Lumvane.exe" "$work/shipped$section"
  x86_64-w64-mingw32-objcopy -O binary -j "$section" "$dist/$symbols" "$work/symbols$section"
  cmp -s "$work/shipped$section" "$work/symbols$section" || fail "the symbols' $section is not the program's"
done
x86_64-w64-mingw32-objdump -h "$dist/$symbols" | grep -q ' \.debug_info ' || fail "the symbols hold no DWARF"
pass "the symbols are the shipped program's, with its debug information"

verified=$(verify "$dist/Lumvane.exe") || fail "the release does not verify: $verified"
for line in 'Signature verification: ok' 'Message digest algorithm *: SHA256' 'Text description: Lumvane' \
            'URL description: http' 'Timestamp Server Signature verification: ok'; do
  grep -q "$line" <<<"$verified" || fail "no '$line' in the verification: $verified"
done
pass "signed with SHA-256, the product's name and URL, time-stamped, and verified"
expired=$(( $(date +%s) + 3 * kDay ))
verify "$dist/Lumvane.exe" -time "$expired" | grep -q '^Signature verification: ok' ||
  fail "after the certificate expired the signature does not verify"
pass "the time-stamped signature verifies after its certificate has expired"

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
echo "mine" >"$dist/notes.txt"
before=$(dist_state)
release "$keys/signer.p12" "$keys/password" && fail "a release folder holding other files was replaced"
expect_eq "$(grep -c 'other files than a release' "$work/release.log")" 1 "a folder of other files: said so"
expect_eq "$(dist_state)" "$before" "a folder of other files is left as it was"
