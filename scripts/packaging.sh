# Staging, installers and signing, shared by scripts/release and the installer tests. Sourced
# after lib.sh. Signing is on when VELLUMAR_SIGN_CERT and VELLUMAR_SIGN_KEY are set (scripts/sign-file).

signing_enabled() { [[ -n ${VELLUMAR_SIGN_CERT:-} && -n ${VELLUMAR_SIGN_KEY:-} ]]; }

sign_file() { "$ROOT/scripts/sign-file" "$1" || die "could not sign $1"; }

# stage_program ARCH BINDIR STAGE: the program, its OpenSSL DLLs and the licence texts in STAGE
# (the portable folder and the installer's input). ARCH is x64 or x86.
stage_program() {
  local arch=$1 bin=$2 stage=$3 suffix= openssl_src
  [[ $arch == x64 ]] && suffix=-x64
  rm -rf "$stage" && mkdir -p "$stage/licenses"
  local f
  for f in vellumar.exe "libcrypto-3$suffix.dll" "libssl-3$suffix.dll"; do
    [[ -f $bin/$f ]] || die "missing $bin/$f"
    cp "$bin/$f" "$stage/$f"
  done
  # OpenSSL's own licence text (Apache 2.0), from the source that built the DLLs when it is kept.
  openssl_src=$(sed -n 's/^VELLUMAR_OPENSSL_CACHE:PATH=//p' "$bin/CMakeCache.txt" 2>/dev/null || true)
  openssl_src=$(ls "$openssl_src"/src/openssl-*/LICENSE.txt 2>/dev/null | head -1 || true)
  cp "${openssl_src:-/usr/share/common-licenses/Apache-2.0}" "$stage/licenses/OpenSSL-LICENSE.txt"
  cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64-runtime.txt"
  cp "$ROOT/packaging/THIRD-PARTY-NOTICES.txt" "$stage/licenses/THIRD-PARTY-NOTICES.txt"
  # The build keeps debug information for the tests; users get the program without it.
  local strip=x86_64-w64-mingw32-strip
  [[ $arch == x86 ]] && strip=i686-w64-mingw32-strip
  "$strip" --strip-debug "$stage/vellumar.exe" || die "could not strip $stage/vellumar.exe"
  if signing_enabled; then
    sign_file "$stage/vellumar.exe"
    local dll
    for dll in "$stage"/*.dll; do sign_file "$dll"; done
  fi
}

# build_installer ARCH VERSION STAGE OUTFILE: the NSIS installer of a staged program; with
# signing on, the uninstaller inside it and the installer itself are signed too.
build_installer() {
  local arch=$1 version=$2 stage=$3 out=$4
  local args=(-V2 -NOCD "-DVERSION=$version" "-DARCH=$arch" "-DSTAGE=$stage" "-DOUTFILE=$out")
  signing_enabled && args+=("-DSIGN=\"$ROOT/scripts/sign-file\" \"%1\"")
  mkdir -p "$(dirname "$out")"
  rm -f "$out"
  makensis "${args[@]}" "$ROOT/packaging/vellumar.nsi" >"$out.makensis.log" 2>&1 \
    || { cat "$out.makensis.log" >&2; die "makensis failed for $out"; }
  rm -f "$out.makensis.log"
  if signing_enabled; then sign_file "$out"; fi
}
