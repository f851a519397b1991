#!/usr/bin/env bash
# Builds the Debian package (build-package/vantle_<version>_<arch>.deb) with CPack: the three
# programs, the desktop entry, the icons and the manual; the library dependencies come from
# dpkg-shlibdeps. Install it with: apt-get install ./build-package/vantle_*.deb
# The package is then checked with lintian (installed here when missing), which must report no error
# and no warning.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

jobs=${VANTLE_JOBS:-$(nproc 2>/dev/null || echo 2)}  # VANTLE_JOBS=1 on a shared machine
# Only what the package holds is built (no tests, no benchmarks), as the tested build is (-O2; CPack
# strips the programs). GCC 12 warns falsely at -O3 about the HTTP code, so Release is not used.
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTLE_BUILD_BENCH=OFF \
      -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build-package -j "$jobs" --target vantle vantle-cli vantle-demo
rm -f build-package/vantle_*.deb
(cd build-package && cpack -G DEB)
deb=$(ls -1 build-package/vantle_*.deb)

if ! command -v lintian >/dev/null; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=120 install -y -qq --no-install-recommends lintian
fi
lintian --fail-on error,warning "$deb"
echo "$deb"
