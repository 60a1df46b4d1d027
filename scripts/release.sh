#!/usr/bin/env bash
# Builds the Lumvane.exe that ships (stripped) from the commit checked out, in a fresh folder, and
# puts it with its symbols (the same program unstripped) and its SHA256SUMS into dist/
# (LUMVANE_DIST_DIR picks another folder). The same commit gives the same bytes in any folder and on
# any machine with this toolchain: the PE time stamp is the commit's time. LUMVANE_START_URL sets the
# platform's entry page (default: the build's). Given a code-signing certificate, it signs the
# program with Authenticode, time-stamped by the RFC 3161 authority LUMVANE_SIGN_TIMESTAMP_URL names,
# and verifies both:
#   LUMVANE_SIGN_PKCS12=signer.p12 LUMVANE_SIGN_PASSWORD_FILE=password.txt \
#   LUMVANE_SIGN_TIMESTAMP_URL=http://timestamp.digicert.com ./scripts/release.sh
# dist/ changes only when everything succeeded, with one rename: it holds the old release or the new
# one, whole, whenever the command stops.
#   ./scripts/release.sh --check   builds the commit twice, in two folders, and fails unless both
#                                  programs have the same SHA-256; dist/ is left alone.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
readonly kProduct=Lumvane kExe=Lumvane.exe kSystemRoots=/etc/ssl/certs/ca-certificates.crt
mode=${1:-release}

fail() { echo "release: $*" >&2; exit 1; }
[ "$mode" = release ] || [ "$mode" = --check ] || fail "unknown argument '$mode' (only --check)"

"$repo/scripts/install-packages.sh" cmake make git googletest mingw-w64 g++-mingw-w64-x86-64-posix \
  osslsigncode openssl ca-certificates python3

commit=$(git -C "$repo" rev-parse --verify HEAD) || fail "$repo is not a git work tree with a commit"
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git -C "$repo" log -1 --format=%ct "$commit")
[ -z "$(git -C "$repo" status --porcelain --untracked-files=no)" ] ||
  echo "release: the work tree has uncommitted changes; they are not in the release"

work=$(mktemp -d)
stage=""
trap 'rm -rf "$work" ${stage:+"$stage"}' EXIT

# The commit's sources exported into a folder and built there; prints nothing unless it fails.
build_shipped() { # folder, stripped program to write
  local folder=$1 log=$1/build.log
  mkdir -p "$folder/src"
  git -C "$repo" archive "$commit" | tar -x -C "$folder/src"
  if ! { cmake -S "$folder/src" -B "$folder/build" -DCMAKE_TOOLCHAIN_FILE="$folder/src/cmake/mingw-w64.cmake" \
           ${LUMVANE_START_URL:+"-DLUMVANE_START_URL=$LUMVANE_START_URL"} &&
         cmake --build "$folder/build" -j"$(nproc)" --target Lumvane; } >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    fail "the build in $folder failed"
  fi
  x86_64-w64-mingw32-strip -o "$2" "$folder/build/$kExe"
  { strings -a "$2"; strings -a -e l "$2"; } >"$folder/strings.txt"
  ! grep -qF "$folder" "$folder/strings.txt" || fail "the program built in $folder names that folder"
}

start_url() { # build folder
  sed -n 's/^LUMVANE_START_URL:[A-Z]*=//p' "$1/CMakeCache.txt"
}

sha256() { sha256sum "$1" | cut -d' ' -f1; }

check() {
  build_shipped "$work/first" "$work/first.exe"
  build_shipped "$work/a/second/folder" "$work/second.exe"
  echo "release: commit $commit built in two folders:"
  echo "  $(sha256 "$work/first.exe")  first"
  echo "  $(sha256 "$work/second.exe")  second"
  cmp -s "$work/first.exe" "$work/second.exe" || fail "the two builds differ"
  echo "release: the two builds are the same"
}

# The signing certificate, read before anything is built so that a bad one or a wrong password
# fails at once.
read_signer() { # certificates out
  local pkcs12=${LUMVANE_SIGN_PKCS12:-} password=${LUMVANE_SIGN_PASSWORD_FILE:-}
  [ -n "$pkcs12" ] || fail "LUMVANE_SIGN_PASSWORD_FILE is set without LUMVANE_SIGN_PKCS12"
  [ -n "$password" ] || fail "LUMVANE_SIGN_PKCS12 needs LUMVANE_SIGN_PASSWORD_FILE, a file holding its password"
  [ -r "$pkcs12" ] || fail "cannot read the certificate $pkcs12"
  [ -r "$password" ] || fail "cannot read the password file $password"
  openssl pkcs12 -in "$pkcs12" -passin "file:$password" -nokeys -out "$1" 2>"$work/openssl.log" && return
  ! grep -qi 'mac verify' "$work/openssl.log" || fail "wrong password for the certificate $pkcs12"
  fail "$pkcs12 is not a PKCS#12 certificate that can be read: $(head -n 1 "$work/openssl.log")"
}

# Authenticode, SHA-256, with the product's name and the start URL, time-stamped when an authority
# is given, then verified: the signature's chain and the time stamp's end in a certificate that came
# with the signing key or in one of the system's trusted roots.
sign() { # unsigned program, signed program, certificates, URL
  local stamp=${LUMVANE_SIGN_TIMESTAMP_URL:-}
  osslsigncode sign -pkcs12 "$LUMVANE_SIGN_PKCS12" -readpass "$LUMVANE_SIGN_PASSWORD_FILE" -h sha256 \
    -n "$kProduct" -i "$4" ${stamp:+-ts "$stamp"} -in "$1" -out "$2" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; fail "signing failed${stamp:+ (time stamps from $stamp)}"; }
  cat "$3" "$kSystemRoots" >"$work/trusted.pem"
  osslsigncode verify -in "$2" -CAfile "$work/trusted.pem" -TSA-CAfile "$work/trusted.pem" \
    >"$work/verify.log" 2>&1 || { cat "$work/verify.log" >&2; fail "the signed program does not verify"; }
  if [ -n "$stamp" ]; then
    grep -q 'Timestamp Server Signature verification: ok' "$work/verify.log" ||
      { cat "$work/verify.log" >&2; fail "the time stamp from $stamp does not verify"; }
  fi
  grep -E 'Subject|Text description|URL description|Timestamp time|Signature verification' "$work/verify.log" |
    awk '!seen[$0]++'
  [ -n "$stamp" ] || echo "release: NOT TIME-STAMPED: the signature lapses with its certificate (LUMVANE_SIGN_TIMESTAMP_URL)"
}

# A program's key in a symbol store, as a crash report's module list names it: the PE time stamp
# (%08X) and the image size (%x).
symbol_key() { # program
  local header
  header=$(od -An -tu4 -j 60 -N 4 "$1")
  printf '%08X%x' "$(od -An -tu4 -j $((header + 8)) -N 4 "$1")" "$(od -An -tu4 -j $((header + 80)) -N 4 "$1")"
}

# Whether a folder is empty or holds a release and nothing else: its sums and the files they name.
holds_a_release() { # folder
  [ -n "$(ls -A "$1")" ] || return 0
  [ -f "$1/SHA256SUMS" ] &&
    [ "$(cd "$1" && find . ! -type d ! -path ./SHA256SUMS | cut -c3- | sort)" = "$(cut -c67- "$1/SHA256SUMS" | sort)" ]
}

# Exchanges two folders with one rename (renameat2, RENAME_EXCHANGE).
swap() { # folder, folder
  python3 - "$1" "$2" <<'EOF'
import ctypes, os, sys
libc = ctypes.CDLL(None, use_errno=True)
AT_FDCWD, RENAME_EXCHANGE = -100, 2
if libc.renameat2(AT_FDCWD, os.fsencode(sys.argv[1]), AT_FDCWD, os.fsencode(sys.argv[2]), RENAME_EXCHANGE):
    sys.exit(f"release: cannot swap {sys.argv[1]} and {sys.argv[2]}: {os.strerror(ctypes.get_errno())}")
EOF
}

# Writes the release into a fresh folder beside the dist folder and puts it in the dist folder's
# place with one rename; the old release, swapped out, goes with the staging folder.
publish() { # program, the same program unstripped
  local symbols
  symbols=symbols/$kExe/$(symbol_key "$1")/$kExe
  mkdir -p "$(dirname "$dist")"
  stage=$(mktemp -d "$(dirname "$dist")/.lumvane-release.XXXXXX")
  chmod "$(umask -S)" "$stage"
  mkdir -p "$stage/${symbols%/*}"
  cp "$1" "$stage/$kExe"
  cp "$2" "$stage/$symbols"
  (cd "$stage" && sha256sum "$kExe" "$symbols" >SHA256SUMS)
  if [ -e "$dist" ]; then swap "$stage" "$dist"; else mv -T "$stage" "$dist"; fi
  echo "release: $dist/$kExe"
  cat "$dist/SHA256SUMS"
}

release() {
  local signed=0
  dist=${LUMVANE_DIST_DIR:-$repo/dist}
  [ ! -e "$dist" ] || holds_a_release "$dist" || fail "$dist holds other files than a release; it is left as it was"
  if [ -n "${LUMVANE_SIGN_PKCS12:-}${LUMVANE_SIGN_PASSWORD_FILE:-}" ]; then
    read_signer "$work/signer.pem"
    signed=1
  fi
  [ $signed = 1 ] || [ -z "${LUMVANE_SIGN_TIMESTAMP_URL:-}" ] || fail "LUMVANE_SIGN_TIMESTAMP_URL is set without a certificate to sign with"
  build_shipped "$work/release" "$work/unsigned.exe"
  echo "release: commit $commit, unsigned SHA-256 $(sha256 "$work/unsigned.exe")"
  if [ $signed = 1 ]; then
    sign "$work/unsigned.exe" "$work/$kExe" "$work/signer.pem" "$(start_url "$work/release/build")"
  else
    cp "$work/unsigned.exe" "$work/$kExe"
    echo "release: UNSIGNED: no code-signing certificate given (LUMVANE_SIGN_PKCS12, LUMVANE_SIGN_PASSWORD_FILE)"
  fi
  publish "$work/$kExe" "$work/release/build/$kExe"
}

if [ "$mode" = --check ]; then check; else release; fi
