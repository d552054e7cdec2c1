#!/usr/bin/env bash
# Builds the release in a fresh build folder and lays it out in dist/: the
# launcher, its lookup library, the tools this build has, SHA256SUMS and
# DEPLOY.txt for the administrator. Signs the Windows files (Authenticode,
# SHA-256) when given a PKCS#12 certificate; without one the release is
# unsigned and says so.
#
#   scripts/release.sh [--pfx FILE] [--pfx-password-env VAR] [--timestamp URL]
#                      [--build-dir DIR] [--dist DIR]
#
# The certificate may also come from the environment: KOVLAUNCH_SIGN_PFX, its
# password in KOVLAUNCH_SIGN_PASSWORD (or the variable --pfx-password-env
# names), the time-stamping server in KOVLAUNCH_SIGN_TIMESTAMP_URL. The
# password never appears on a command line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

pfx=${KOVLAUNCH_SIGN_PFX:-}
password_var=KOVLAUNCH_SIGN_PASSWORD
timestamp_url=${KOVLAUNCH_SIGN_TIMESTAMP_URL:-}
build_dir="$root/build/release"
dist="$root/dist"

usage() { sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
fail() { echo "release: $*" >&2; exit 1; }
while [ $# -gt 0 ]; do
  case "$1" in
    --pfx) [ $# -ge 2 ] || usage; pfx=$2; shift 2 ;;
    --pfx-password-env) [ $# -ge 2 ] || usage; password_var=$2; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp_url=$2; shift 2 ;;
    --build-dir) [ $# -ge 2 ] || usage; build_dir=$(realpath -m "$2"); shift 2 ;;
    --dist) [ $# -ge 2 ] || usage; dist=$(realpath -m "$2"); shift 2 ;;
    -h|--help) usage ;;
    *) echo "release: unknown argument: $1" >&2; usage ;;
  esac
done

"$root/scripts/install-deps.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The certificate is checked before the build: a wrong password should not
# cost a build, nor ever end in an unsigned release.
if [ -n "$pfx" ]; then
  [ -r "$pfx" ] || fail "cannot read the certificate file $pfx"
  [[ "$password_var" =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]] || fail "not a variable name: $password_var"
  [ -n "${!password_var+set}" ] || fail "the certificate's password is not set: put it in \$$password_var"
  (umask 077; printf '%s' "${!password_var}" >"$work/password")
  certificate() {
    openssl pkcs12 -in "$pfx" -passin "file:$work/password" -nokeys -clcerts "$@" 2>/dev/null
  }
  # Older PKCS#12 files use ciphers that OpenSSL 3 keeps in its legacy provider.
  certificate >"$work/signer.pem" || certificate -legacy >"$work/signer.pem" ||
    fail "cannot open $pfx with the password in \$$password_var"
  grep -q 'BEGIN CERTIFICATE' "$work/signer.pem" || fail "$pfx holds no certificate"
  signer_subject=$(openssl x509 -in "$work/signer.pem" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')
  signer_issuer=$(openssl x509 -in "$work/signer.pem" -noout -issuer -nameopt RFC2253 | sed 's/^issuer=//')
  signer_thumbprint=$(openssl x509 -in "$work/signer.pem" -noout -fingerprint -sha1 | sed 's/^.*=//; s/://g')
  signer_until=$(openssl x509 -in "$work/signer.pem" -noout -enddate | sed 's/^notAfter=//')
elif [ -n "$timestamp_url" ]; then
  fail "a time-stamping server was given but no certificate to sign with (--pfx)"
fi

echo "== release: fresh build in $build_dir"
rm -rf "$build_dir"
cmake --preset release -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

version=$(sed -n 's/^#define KOVLAUNCH_VERSION_TEXT "\(.*\)"$/\1/p' "$build_dir/generated/kovlaunch_version.h")
product=$(sed -n 's/^#define KOVLAUNCH_PRODUCT_NAME "\(.*\)"$/\1/p' "$build_dir/generated/kovlaunch_version.h")
if commit=$(git -C "$root" rev-parse HEAD 2>/dev/null); then
  if [ -n "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    commit="$commit with changes not committed"
  fi
else
  commit="unknown (not built from a git checkout)"
fi

# What each shipped file is, for DEPLOY.txt.
describe() {
  case "$1" in
    kovlaunch.exe) echo "the launcher: call it from the logon script" ;;
    morvane.dll) echo "its lookup library: must lie beside kovlaunch.exe" ;;
    osinfo.exe) echo "reports which Windows a machine runs (for checks; not needed on the share)" ;;
    kovlaunch-dryrun.exe) echo "the launcher's dry run: shows what it would do on a machine, starting nothing" ;;
    *) echo "" ;;
  esac
}

stage="$work/dist"
mkdir -p "$stage"
files=()
while IFS=$'\t' read -r target path; do
  [ -f "$path" ] || fail "target $target did not produce $path"
  name=$(basename "$path")
  files+=("$name")
  cp "$path" "$work/$name.unsigned"
  if [ -n "$pfx" ]; then
    sign=(osslsigncode sign -pkcs12 "$pfx" -readpass "$work/password" -h sha256
          -n "$product" -in "$path" -out "$stage/$name")
    if [ -n "$timestamp_url" ]; then
      sign+=(-ts "$timestamp_url")
    fi
    "${sign[@]}" >"$work/sign.log" 2>&1 || { cat "$work/sign.log" >&2; fail "signing $name failed"; }
  else
    cp "$path" "$stage/$name"
  fi
done <"$build_dir/release-files.txt"

{
  echo "$product $version: deployment"
  echo
  echo "Built from commit $commit."
  echo
  if [ -n "$pfx" ]; then
    echo "SIGNED: every program file carries an Authenticode signature (SHA-256) by"
    echo "  subject:    $signer_subject"
    echo "  issuer:     $signer_issuer"
    echo "  thumbprint: $signer_thumbprint (certificate valid until $signer_until)"
    if [ -n "$timestamp_url" ]; then
      echo "time-stamped by $timestamp_url, so the signature stays valid after the"
      echo "certificate expires."
    else
      echo "NOT time-stamped: Windows stops accepting the signature when the"
      echo "certificate expires."
    fi
    echo "Check it in the file's Properties, Digital Signatures, or in PowerShell:"
    echo "  Get-AuthenticodeSignature .\\kovlaunch.exe | Format-List"
  else
    echo "NOT SIGNED: these files carry no Authenticode signature. Compare them with"
    echo "SHA256SUMS obtained from a channel you trust before you deploy them."
  fi
  echo
  echo "Files:"
  for name in "${files[@]}"; do
    printf '  %-22s %s\n' "$name" "$(describe "$name")"
  done
  cat <<'EOF'

To deploy:
1. Check the files against SHA256SUMS: `sha256sum -c SHA256SUMS`, or in
   PowerShell `Get-FileHash -Algorithm SHA256 .\kovlaunch.exe`.
2. Copy kovlaunch.exe and morvane.dll into one folder on the logon share,
   beside the agent installers Kovrimen.exe (32-bit) and kovrim64.exe
   (64-bit) and their configuration tesvol.ini, e.g. \\domain\NETLOGON\agent.
   A path with spaces is fine; without morvane.dll beside it the launcher
   does not start.
3. Let users only read that folder. The launcher runs with administrator
   rights on every endpoint: whoever can change a file there can run
   programs as administrator everywhere.
4. Call the launcher from the logon script:
       \\domain\NETLOGON\agent\kovlaunch.exe
   It shows no window, reads no arguments and returns at once; it starts the
   installer (silently, with tesvol.ini) only where the agent is missing.

A build of the same commit with scripts/release.sh gives byte-identical
unsigned files; these are their SHA-256 sums:
EOF
  for name in "${files[@]}"; do
    (cd "$work" && sha256sum "$name.unsigned" | sed 's/\.unsigned$//; s/^/  /')
  done
  if [ -n "$pfx" ]; then
    echo "A signed file without its signature (osslsigncode remove-signature) is"
    echo "the unsigned file again, byte for byte."
  fi
} >"$stage/DEPLOY.txt"

(cd "$stage" && sha256sum "${files[@]}" DEPLOY.txt >SHA256SUMS)

rm -rf "$dist"
mkdir -p "$(dirname "$dist")"
mv "$stage" "$dist"

echo "== release: $product $version in $dist"
for tool in osinfo.exe kovlaunch-dryrun.exe; do
  [[ " ${files[*]} " == *" $tool "* ]] || echo "   $tool: not in this build (its target is not defined), left out"
done
(cd "$dist" && sed 's/^/   /' SHA256SUMS)
if [ -n "$pfx" ]; then
  echo "   signed by $signer_subject${timestamp_url:+, time-stamped by $timestamp_url}"
else
  echo "   NOT SIGNED: no certificate given (--pfx FILE, or KOVLAUNCH_SIGN_PFX)"
fi
