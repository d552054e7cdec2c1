#!/usr/bin/env bash
# Installs what the build and the tests need and is not there yet:
# CMake, GoogleTest sources, the mingw-w64 cross toolchain, Wine with the
# i386 architecture (32-bit Windows programs need wine32), clang 14 with
# libFuzzer, and OpenSSL and osslsigncode for signing releases.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd cmake || need+=(cmake)
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
have_cmd python3 || need+=(python3)
[ -d /usr/src/googletest ] || need+=(googletest)
have_cmd i686-w64-mingw32-g++-posix || need+=(mingw-w64)
# The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
have_cmd clang++-14 || need+=(clang-14)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
have_pkg wine || need+=(wine)
have_pkg wine64 || need+=(wine64)
have_pkg wine32:i386 || need+=(wine32:i386)
have_cmd openssl || need+=(openssl)
have_cmd osslsigncode || need+=(osslsigncode)

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${need[*]}; run this script as root to install them" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-deps: adding the i386 architecture (needed by wine32)"
  dpkg --add-architecture i386
fi
echo "install-deps: installing ${need[*]} from Debian's packages"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
echo "install-deps: done"
