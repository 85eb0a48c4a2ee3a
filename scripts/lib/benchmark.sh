# Source it. optimised_benchmark DIR : an optimised Google Benchmark installed under DIR (built
# once, reused), its CMake package folder printed on stdout. Debian's libbenchmark is built without
# NDEBUG, so every run of a benchmark linked to it says "Library was built as DEBUG" and its
# figures carry the library's unoptimised timing loop. The source is Debian's own (apt-get source,
# checked against the archive's signed index) of the version libbenchmark-dev has, built as a
# static Release library; the system's apt configuration is left as it is.
optimised_benchmark() {
  local dir="$1" config="$1/install/lib/cmake/benchmark"
  if [ -f "$config/benchmarkConfig.cmake" ]; then
    echo "$config"
    return 0
  fi
  local version apt=() work="$dir/source"
  version="$(dpkg-query -W -f='${Version}' libbenchmark-dev 2>/dev/null)" || version=""
  rm -rf "$work" && mkdir -p "$work/parts" "$work/lists/partial" "$work/cache" || return 1
  # The machine's own archives, as source archives.
  local list
  for list in /etc/apt/sources.list.d/*.sources; do
    [ -f "$list" ] && sed 's/^Types:.*/Types: deb-src/' "$list" >"$work/parts/$(basename "$list")"
  done
  for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$list" ] && sed -n 's/^deb \(.*\)/deb-src \1/p' "$list" >"$work/parts/$(basename "$list")"
  done
  apt=(-q -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/parts"
    -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o "APT::Sandbox::User=root")
  (
    cd "$work" &&
      { apt-get "${apt[@]}" update >&2 || true; } &&
      apt-get "${apt[@]}" source "benchmark${version:+=$version}" >&2
  ) || return 1
  local tree
  tree="$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'benchmark-*' | head -n 1)"
  [ -n "$tree" ] || return 1
  cmake -S "$tree" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF \
    -DBENCHMARK_INSTALL_DOCS=OFF -DGIT_VERSION="${version%%-*}" \
    -DCMAKE_INSTALL_PREFIX="$dir/install" -DCMAKE_INSTALL_LIBDIR=lib >&2 &&
    cmake --build "$dir/build" -j "${JOBS:-2}" >&2 &&
    cmake --install "$dir/build" >&2 || return 1
  rm -rf "$work" "$dir/build"
  echo "$config"
}
