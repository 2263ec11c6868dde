# Staging, installers and signing, shared by scripts/release and the installer tests. Sourced
# after lib.sh. Signing is on when VELLUMAR_SIGN_CERT and VELLUMAR_SIGN_KEY are set (scripts/sign-file).

signing_enabled() { [[ -n ${VELLUMAR_SIGN_CERT:-} && -n ${VELLUMAR_SIGN_KEY:-} ]]; }

sign_file() { "$ROOT/scripts/sign-file" "$1" || die "could not sign $1"; }

# stage_program ARCH BINDIR STAGE: the program and its console twin, its OpenSSL DLLs and the licence texts in STAGE
# (the portable folder and the installer's input). ARCH is x64 or x86.
stage_program() {
  local arch=$1 bin=$2 stage=$3 suffix= openssl_src
  [[ $arch == x64 ]] && suffix=-x64
  rm -rf "$stage" && mkdir -p "$stage/licenses"
  local f
  for f in vellumar.exe vellumar.com "libcrypto-3$suffix.dll" "libssl-3$suffix.dll"; do
    [[ -f $bin/$f ]] || die "missing $bin/$f"
    cp "$bin/$f" "$stage/$f"
  done
  # OpenSSL's own licence text (Apache 2.0), from the source that built the DLLs when it is kept.
  openssl_src=$(sed -n 's/^VELLUMAR_OPENSSL_CACHE:PATH=//p' "$bin/CMakeCache.txt" 2>/dev/null || true)
  openssl_src=$(ls "$openssl_src"/src/openssl-*/LICENSE.txt 2>/dev/null | head -1 || true)
  cp "${openssl_src:-/usr/share/common-licenses/Apache-2.0}" "$stage/licenses/OpenSSL-LICENSE.txt"
  cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64-runtime.txt"
  cp "$ROOT/packaging/THIRD-PARTY-NOTICES.txt" "$ROOT/packaging/LICENSE.txt" "$stage/licenses/"
  # The build keeps debug information for the tests; users get the program without it.
  local strip=x86_64-w64-mingw32-strip
  [[ $arch == x86 ]] && strip=i686-w64-mingw32-strip
  for f in vellumar.exe vellumar.com; do
    "$strip" --strip-debug "$stage/$f" || die "could not strip $stage/$f"
  done
  if signing_enabled; then
    sign_file "$stage/vellumar.exe"
    sign_file "$stage/vellumar.com"
    local dll
    for dll in "$stage"/*.dll; do sign_file "$dll"; done
  fi
}

# makensis_build SCRIPT OUTFILE DEFINE...: one NSIS program of packaging/.
makensis_build() {
  local script=$1 out=$2
  shift 2
  rm -f "$out"
  makensis -V2 -NOCD -INPUTCHARSET UTF8 "$@" "-DOUTFILE=$out" "$ROOT/packaging/$script" >"$out.makensis.log" 2>&1 \
    || { cat "$out.makensis.log" >&2; die "makensis failed for $out"; }
  rm -f "$out.makensis.log"
}

# build_installer ARCH VERSION STAGE BINDIR OUTFILE: the setup program of a staged program (its
# pictures and the maker's host from the build in BINDIR). Three NSIS programs: the uninstaller,
# the installer that carries it, and the setup program that carries the installer and checks a
# SHA-256 digest of itself appended here (before signing). With signing on, all three are signed.
build_installer() {
  local arch=$1 version=$2 stage=$3 bin=$4 out=$5
  local art=$bin/installer-art host parts
  host=$(sed -n 's/^VELLUMAR_MAKER_HOST:STRING=//p' "$bin/CMakeCache.txt")
  [[ -n $host && -f $art/vellumar.ico ]] || die "no VELLUMAR_MAKER_HOST or installer pictures in $bin (build the installer_art target)"
  mkdir -p "$(dirname "$out")"
  parts=$(mktemp -d "$out.parts.XXXXXX")
  local common=("-DVERSION=$version" "-DARCH=$arch" "-DART=$art")
  # The licence page: our licence, its paragraphs as single lines for the page to wrap, then the
  # notices of what the program includes.
  { awk 'BEGIN { RS = ""; ORS = "\n\n" } { gsub(/\n/, " "); print }' "$ROOT/packaging/LICENSE.txt"
    cat "$ROOT/packaging/THIRD-PARTY-NOTICES.txt"; } | sed 's/\r*$/\r/' >"$parts/licence.txt"
  makensis_build uninstall.nsi "$parts/uninstall.exe" "${common[@]}"
  if signing_enabled; then sign_file "$parts/uninstall.exe"; fi
  makensis_build install.nsi "$parts/install.exe" "${common[@]}" "-DSTAGE=$stage" "-DUNINSTALLER=$parts/uninstall.exe" \
    "-DLICENCE=$parts/licence.txt" "-DMAKER_HOST=$host"
  if signing_enabled; then sign_file "$parts/install.exe"; fi
  makensis_build vellumar.nsi "$out" "${common[@]}" "-DINSTALLER=$parts/install.exe"
  python3 - "$out" <<'PY' || die "could not append the digest to $out"
import hashlib, struct, sys
path = sys.argv[1]
with open(path, "rb") as f:
    data = bytearray(f.read())
# NSIS's own header (at a multiple of 512: flags, 0xDEADBEEF, "NullsoftInst", header length,
# data length). Its stub refuses a file shorter than the data length before any script runs,
# without a word when silent; the length of that header alone leaves the verdict on an
# incomplete file to the script's digest check, which logs it.
for at in range(512, len(data) - 28, 512):
    if data[at + 4:at + 20] == b"\xef\xbe\xad\xdeNullsoftInst":
        struct.pack_into("<i", data, at + 24, 28)
        break
else:
    sys.exit("no NSIS header in " + path)
# packaging/vellumar.nsi reads it back: zeros up to a multiple of 8 with the block (so a
# signature needs no padding), a text of 16 bytes, the length of the data, SHA-256 from byte 512.
pad = -(len(data) + 56) % 8
data += b"\0" * pad + b"VellumarDigest1\0" + struct.pack("<Q", len(data)) + hashlib.sha256(data[512:]).digest()
with open(path, "wb") as f:
    f.write(data)
PY
  rm -rf "$parts"
  if signing_enabled; then sign_file "$out"; fi
}
