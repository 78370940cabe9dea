#!/usr/bin/env bash
# Builds the Debian package build/ombrisk_<version>_amd64.deb (or into $OMBRISK_BUILD_DIR) from the
# programs of that build. A build folder that does not exist yet is set up as the main job sets it
# up (what building and running the programs needs, the programs only); an existing one is used as
# it is configured, so the test command's build packs the same programs it tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${OMBRISK_BUILD_DIR:-build}
if [[ ! -f $build_dir/CMakeCache.txt ]]; then
  ./scripts/setup.sh --programs
fi
for tool in file dpkg-shlibdeps cpack; do
  command -v "$tool" >/dev/null || { echo "make-package: $tool is missing (scripts/setup.sh --programs installs it)" >&2; exit 1; }
done
targets=(ombrisk-cli)
grep -q '^OMBRISK_GUI:BOOL=ON$' "$build_dir/CMakeCache.txt" && targets+=(ombrisk)
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
package=$build_dir/ombrisk_${version}_amd64.deb
rm -f "$package"
# Staging and packing happen inside the build folder; the package lands at its top.
(cd "$build_dir" && cpack --config CPackConfig.cmake -B "$PWD" >/dev/null)
test -f "$package"
# Without dpkg-shlibdeps' findings apt would install a program that cannot start.
if ! dpkg-deb --field "$package" Depends | grep -q 'libc6'; then
  echo "make-package: $package depends on no library; dpkg-shlibdeps found none" >&2
  exit 1
fi
echo "The package: $(realpath "$package")"
