#!/usr/bin/env bash
# The Debian packages as a user gets them: built by CPack from the release tree, unpacked into a
# scratch root (dpkg -x), then the C example is built against the unpacked files twice (through
# pkg-config and through find_package(Tavlora)) and the Python example run with the unpacked
# module; both reports must be the example report.
# Usage: package_test.sh SOURCE_DIR RELEASE_BUILD_DIR WORK_DIR
set -euo pipefail
source_dir="$1"
release="$2"
work="$3"
example="$source_dir/examples/sales_report"
inputs=("$example/template.xlsx" "$example/sales.db" "$example/regions.xml")

# The release tree of scripts/example is reused; only a first run configures it.
if [ ! -f "$release/CMakeCache.txt" ]; then
  cmake -S "$source_dir" -B "$release" -DCMAKE_BUILD_TYPE=Release -DTAVLORA_BUILD_TESTS=OFF >/dev/null
fi
cmake -S "$source_dir" -B "$release" -DTAVLORA_BUILD_SHARED=ON >/dev/null
cmake --build "$release" -j"$(nproc)" --target tavlora_shared tavlora_python

rm -rf "$work"
mkdir -p "$work/debs" "$work/root" "$work/out"
(cd "$release" && cpack -G DEB -B "$work/debs" >/dev/null)
debs=("$work"/debs/*.deb)
[ ${#debs[@]} -eq 3 ] || { echo "expected three packages, got: ${debs[*]}"; exit 1; }
for deb in "${debs[@]}"; do
  echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
  dpkg -x "$deb" "$work/root"
done
usr="$work/root/usr"

# Only the marked interface leaves the library: the C functions and the exported classes, none
# of the host's or the data layer's internals.
exported=$(nm -D --defined-only "$usr"/lib/libtavlora.so.0 | awk '{print $3}')
echo "$exported" | grep -qx tavlora_invoke_name || { echo "tavlora_invoke_name is not exported"; exit 1; }
echo "$exported" | grep -qx tavlora_last_failure || { echo "tavlora_last_failure is not exported"; exit 1; }
if echo "$exported" | grep -q '^_ZN7tavlora4host'; then
  echo "internal host symbols are exported:"; echo "$exported" | grep '^_ZN7tavlora4host' | head; exit 1
fi
[ "$(readlink "$usr/lib/libtavlora.so")" = "libtavlora.so.0" ] || { echo "libtavlora.so does not name the SOVERSION"; exit 1; }

export LD_LIBRARY_PATH="$usr/lib"
c_example="$source_dir/tests/server/c_api_report.c"

# pkg-config: the file finds its prefix from where it lies.
PKG_CONFIG_PATH="$usr/lib/pkgconfig" pkg-config --cflags --libs tavlora
cc -std=c11 -Wall -Werror -o "$work/c_pkgconfig" "$c_example" $(PKG_CONFIG_PATH="$usr/lib/pkgconfig" pkg-config --cflags --libs tavlora)
"$work/c_pkgconfig" "${inputs[@]}" "$work/out/c_pkgconfig.xlsx"

# The CMake package.
mkdir -p "$work/cmake_user"
cat > "$work/cmake_user/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.16)
project(tavlora_user C)
find_package(Tavlora 0.1 REQUIRED)
add_executable(c_api_report "$c_example")
target_link_libraries(c_api_report PRIVATE Tavlora::tavlora)
CMAKE
cmake -S "$work/cmake_user" -B "$work/cmake_user/build" -DCMAKE_PREFIX_PATH="$usr" >/dev/null
cmake --build "$work/cmake_user/build" >/dev/null
"$work/cmake_user/build/c_api_report" "${inputs[@]}" "$work/out/c_cmake.xlsx"

# The Python module from the python3-tavlora package, with its stub beside it.
[ -f "$usr/lib/python3/dist-packages/tavlora.pyi" ] || { echo "the type stub is not packaged"; exit 1; }
PYTHONPATH="$usr/lib/python3/dist-packages" /usr/bin/python3 -c \
  'import tavlora, sys; sys.exit(0 if tavlora.__file__.startswith(sys.argv[1]) else "not the packaged module: " + tavlora.__file__)' "$usr"
PYTHONPATH="$usr/lib/python3/dist-packages" /usr/bin/python3 "$example/sales_report.py" "${inputs[@]}" "$work/out/python"

# pip from the checkout, offline, reusing the release tree.
TAVLORA_PIP_BUILD_DIR="$release" /usr/bin/python3 -m pip install --quiet --no-build-isolation --no-index \
  --no-deps --target "$work/pip" "$source_dir"
[ -f "$work/pip/tavlora.pyi" ] || { echo "pip did not install the type stub"; exit 1; }
PYTHONPATH="$work/pip" /usr/bin/python3 -c 'import tavlora; print("pip installed", tavlora.__file__)'

/usr/bin/python3 "$source_dir/tests/server/compare_workbooks.py" "$work/out/c_pkgconfig.xlsx" "$work/out/c_cmake.xlsx"
/usr/bin/python3 "$source_dir/tests/server/compare_workbooks.py" "$work/out/c_pkgconfig.xlsx" "$work/out/python/sales_report.xlsx"
/usr/bin/python3 "$source_dir/tests/server/check_example.py" "$work/out/python/sales_report.xlsx" "$work/out/python/sales_report.html"
echo "packages install, build and run: ${debs[*]##*/}"
