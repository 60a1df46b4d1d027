#!/usr/bin/env bash
# Builds the Lumvane.exe that ships (stripped) from the commit checked out, in a fresh folder, and
# puts it with its SHA256SUMS into dist/ (LUMVANE_DIST_DIR picks another folder). The same commit
# gives the same bytes in any folder and on any machine with this toolchain: the PE time stamp is
# the commit's time. LUMVANE_START_URL sets the platform's entry page (default: the build's).
# Given a code-signing certificate, it signs the program with Authenticode and verifies it:
#   LUMVANE_SIGN_PKCS12=signer.p12 LUMVANE_SIGN_PASSWORD_FILE=password.txt ./scripts/release.sh
# dist/ changes only when everything succeeded.
#   ./scripts/release.sh --check   builds the commit twice, in two folders, and fails unless both
#                                  programs have the same SHA-256; dist/ is left alone.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
readonly kProduct=Lumvane kExe=Lumvane.exe kSystemRoots=/etc/ssl/certs/ca-certificates.crt
mode=${1:-release}

fail() { echo "release: $*" >&2; exit 1; }
[ "$mode" = release ] || [ "$mode" = --check ] || fail "unknown argument '$mode' (only --check)"

"$repo/scripts/install-packages.sh" cmake make git googletest mingw-w64 g++-mingw-w64-x86-64-posix \
  osslsigncode openssl ca-certificates

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

# Authenticode, SHA-256, with the product's name and the start URL, then verified: the chain ends
# in a certificate that came with the signing key or in one of the system's trusted roots.
sign() { # unsigned program, signed program, certificates, URL
  osslsigncode sign -pkcs12 "$LUMVANE_SIGN_PKCS12" -readpass "$LUMVANE_SIGN_PASSWORD_FILE" -h sha256 \
    -n "$kProduct" -i "$4" -in "$1" -out "$2" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; fail "signing failed"; }
  cat "$3" "$kSystemRoots" >"$work/trusted.pem"
  osslsigncode verify -in "$2" -CAfile "$work/trusted.pem" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; fail "the signed program does not verify"; }
  grep -E 'Subject|Text description|URL description|Signature verification' "$work/verify.log" | awk '!seen[$0]++'
}

# Moves the release into the dist folder from a folder beside it, so that each file is renamed
# into place whole.
publish() { # program
  local dist=${LUMVANE_DIST_DIR:-$repo/dist}
  mkdir -p "$(dirname "$dist")"
  stage=$(mktemp -d "$(dirname "$dist")/.lumvane-release.XXXXXX")
  cp "$1" "$stage/$kExe"
  (cd "$stage" && sha256sum "$kExe" >SHA256SUMS)
  mkdir -p "$dist"
  mv -f "$stage/$kExe" "$dist/$kExe"
  mv -f "$stage/SHA256SUMS" "$dist/SHA256SUMS"
  echo "release: $dist/$kExe"
  cat "$dist/SHA256SUMS"
}

release() {
  local signed=0
  if [ -n "${LUMVANE_SIGN_PKCS12:-}${LUMVANE_SIGN_PASSWORD_FILE:-}" ]; then
    read_signer "$work/signer.pem"
    signed=1
  fi
  build_shipped "$work/release" "$work/unsigned.exe"
  echo "release: commit $commit, unsigned SHA-256 $(sha256 "$work/unsigned.exe")"
  if [ $signed = 1 ]; then
    sign "$work/unsigned.exe" "$work/$kExe" "$work/signer.pem" "$(start_url "$work/release/build")"
  else
    cp "$work/unsigned.exe" "$work/$kExe"
    echo "release: UNSIGNED: no code-signing certificate given (LUMVANE_SIGN_PKCS12, LUMVANE_SIGN_PASSWORD_FILE)"
  fi
  publish "$work/$kExe"
}

if [ "$mode" = --check ]; then check; else release; fi
